#pragma once

#include <cstdint>

namespace fotoloom {

// One memory budget for the decoded photos of all conversions running at once, so that a
// few crafted headers (a tiny GIF that declares a huge screen) converted side by side cannot
// exhaust the machine. By default half the machine's memory, at least 1 GB.
uint64_t PictureMemoryBudget();
// Sets the budget (for tests); 0 restores the default.
void SetPictureMemoryBudget(uint64_t bytes);

// While a scope lives on a thread, the first picture decoded there reserves width x height x
// 4 bytes of the budget, waiting while other photos hold it, and keeps them until the scope
// ends. One conversion of one photo is one scope. Only the first picture reserves: a photo
// never waits while it already holds part of the budget, so photos cannot wait for each other.
class TPictureMemoryScope {
 public:
  TPictureMemoryScope();
  ~TPictureMemoryScope();
  TPictureMemoryScope(const TPictureMemoryScope&) = delete;
  TPictureMemoryScope& operator=(const TPictureMemoryScope&) = delete;

 private:
  TPictureMemoryScope* m_outer;
  uint64_t m_reserved = 0;
  bool m_used = false;
  friend void ReservePictureMemory(int64_t width, int64_t height);
};

// Called by the decoders before they allocate a picture: checks the size (CheckPictureSize)
// and, as the first picture of a scope, reserves its memory. Throws "Picture is too large"
// for a picture that could never fit in the budget.
void ReservePictureMemory(int64_t width, int64_t height);

}  // namespace fotoloom
