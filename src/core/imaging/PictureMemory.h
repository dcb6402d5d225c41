#pragma once

#include <cstdint>

#include "core/base/Stream.h"

namespace fotoloom {

// One memory budget for the decoded photos of all conversions running at once, so that a
// few crafted headers (a tiny GIF that declares a huge screen) converted side by side cannot
// exhaust the machine. By default half the machine's memory, at least 1 GB.
uint64_t PictureMemoryBudget();
// Sets the budget (for tests); 0 restores the default.
void SetPictureMemoryBudget(uint64_t bytes);

// While a scope lives on a thread, the first picture decoded there reserves what its decoder
// holds (width x height x 4 bytes for a picture held whole, a streamed JPEG's rows and
// coefficients), waiting while other photos hold the budget, and keeps it until the scope
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
  bool m_sparse = false;
  friend void Reserve(int64_t width, int64_t height, uint64_t bytes, bool sparse);
  friend bool PictureMemoryToReserve();
};

// Called by the decoders before they allocate a picture: checks the size (CheckPictureSize)
// and, as the first picture of a scope, reserves its memory. Throws "Picture is too large"
// for a picture that could never fit in the budget.
void ReservePictureMemory(int64_t width, int64_t height);

// A decode that holds much memory from little data is "sparse": above
// kSparseMinimumBytes, more than kSparseBytesPerDataByte of memory per byte of the file (a
// byte of file per 64 pixels of a picture held whole). Real photos stay well below: a 20
// megapixel camera photo made a WebP at quality 75 has a byte per 34 pixels (136 bytes of
// picture per byte), as a HEIC a byte per 10, and a camera's progressive JPEG has a byte per
// 4 pixels or fewer for its 2 to 8 bytes of coefficients a pixel. A flat graphic or a
// crafted header has a byte per hundreds or thousands of pixels. Sparse decodes share a
// part of the budget, kSparseBudget, and wait for each other there, so that two files of a
// few kilobytes that declare 48 megapixels each take the memory of one picture at a time.
// A sparse decode larger than that part is refused as too large: CheckPictureData already
// refuses a picture held whole of that size from that little data, and so libjpeg's
// coefficients of a progressive photo are held to it too.
constexpr uint64_t kSparseMinimumBytes = uint64_t{16} << 20;
constexpr uint64_t kSparseBytesPerDataByte = 256;
constexpr uint64_t kSparseBudget = uint64_t{256} << 20;

// True while a scope on this thread has reserved nothing yet: only then does a reservation
// count, and is the file worth counting for it.
bool PictureMemoryToReserve();
// What a decoder holds for a width x height picture (`bytes`, from `data_bytes` of file;
// data_bytes < 0: not known, never sparse): reserved as ReservePictureMemory reserves,
// and from the sparse part too when the decode is sparse. Throws "Picture is too large"
// also for a sparse decode larger than kSparseBudget.
void ReserveDecoderMemory(int64_t width, int64_t height, uint64_t bytes, int64_t data_bytes);
// A picture held whole, decoded from `data_bytes` of file by a decoder that holds
// `bytes_per_pixel` while it decodes (4: only the picture itself); sparse or not by the
// picture's own 4 bytes a pixel, so that a decoder's extra buffers do not make a real
// photo sparse.
void ReserveWholePicture(int64_t width, int64_t height, int64_t data_bytes,
                         uint64_t bytes_per_pixel = 4);
// The same with the data from the stream's position to its end, counted only when the
// picture is large enough to be sparse (the position is kept).
void ReserveWholePicture(int64_t width, int64_t height, TStream& data);

}  // namespace fotoloom
