#include "core/imaging/PictureMemory.h"

#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <string>

#include "core/base/Error.h"
#include "core/imaging/PictureLimits.h"

namespace fotoloom {
namespace {

constexpr uint64_t kMinimumBudget = uint64_t{1} << 30;

uint64_t DefaultBudget() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long page_size = ::sysconf(_SC_PAGE_SIZE);
  const uint64_t machine = pages > 0 && page_size > 0
                               ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(page_size)
                               : 0;
  return std::max(machine / 2, kMinimumBudget);
}

struct TBudget {
  std::mutex mutex;
  std::condition_variable released;
  uint64_t limit = 0;  // 0: not yet set
  uint64_t held = 0;
  uint64_t sparse_held = 0;  // the part of `held` that sparse decodes hold

  uint64_t Limit() {
    if (limit == 0) limit = DefaultBudget();
    return limit;
  }
};

TBudget& Budget() {
  static TBudget budget;
  return budget;
}

thread_local TPictureMemoryScope* t_scope = nullptr;

bool IsSparse(uint64_t bytes, int64_t data_bytes) {
  return data_bytes >= 0 && bytes > kSparseMinimumBytes &&
         bytes / kSparseBytesPerDataByte > static_cast<uint64_t>(data_bytes);
}

}  // namespace

uint64_t PictureMemoryBudget() {
  TBudget& budget = Budget();
  const std::lock_guard lock(budget.mutex);
  return budget.Limit();
}

void SetPictureMemoryBudget(uint64_t bytes) {
  TBudget& budget = Budget();
  {
    const std::lock_guard lock(budget.mutex);
    budget.limit = bytes;
  }
  budget.released.notify_all();
}

TPictureMemoryScope::TPictureMemoryScope() : m_outer(t_scope) {
  t_scope = this;
}

TPictureMemoryScope::~TPictureMemoryScope() {
  t_scope = m_outer;
  if (m_reserved == 0) return;
  TBudget& budget = Budget();
  {
    const std::lock_guard lock(budget.mutex);
    budget.held -= m_reserved;
    if (m_sparse) budget.sparse_held -= m_reserved;
  }
  budget.released.notify_all();
}

void ReservePictureMemory(int64_t width, int64_t height) {
  ReserveDecoderMemory(width, height,
                       static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4, -1);
}

bool PictureMemoryToReserve() {
  return t_scope && !t_scope->m_used;
}

// Reserves `bytes` for the scope's decode, from the sparse part too when `sparse`.
void Reserve(int64_t width, int64_t height, uint64_t bytes, bool sparse) {
  CheckPictureSize(width, height);
  TPictureMemoryScope* scope = t_scope;
  if (!scope || scope->m_used) return;
  scope->m_used = true;
  if (bytes == 0) return;
  const uint64_t sparse_bytes = sparse ? bytes : 0;
  TBudget& budget = Budget();
  std::unique_lock lock(budget.mutex);
  if (bytes > budget.Limit() || sparse_bytes > kSparseBudget) {
    throw Error("Picture is too large (" + std::to_string(width) + " x " + std::to_string(height) +
                " pixels)");
  }
  budget.released.wait(lock, [&] {
    return budget.held + bytes <= budget.Limit() &&
           budget.sparse_held + sparse_bytes <= kSparseBudget;
  });
  budget.held += bytes;
  budget.sparse_held += sparse_bytes;
  scope->m_reserved = bytes;
  scope->m_sparse = sparse;
}

void ReserveDecoderMemory(int64_t width, int64_t height, uint64_t bytes, int64_t data_bytes) {
  Reserve(width, height, bytes, IsSparse(bytes, data_bytes));
}

void ReserveWholePicture(int64_t width, int64_t height, int64_t data_bytes,
                         uint64_t bytes_per_pixel) {
  const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
  Reserve(width, height, pixels * bytes_per_pixel, IsSparse(pixels * 4, data_bytes));
}

void ReserveWholePicture(int64_t width, int64_t height, TStream& data) {
  CheckPictureSize(width, height);
  // Counting reads the rest of the file: only where it may make the picture sparse.
  const bool counted = PictureMemoryToReserve() &&
                       static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4 >
                           kSparseMinimumBytes;
  ReserveWholePicture(width, height, counted ? BytesToEnd(data) : -1);
}

}  // namespace fotoloom
