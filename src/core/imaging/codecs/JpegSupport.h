#pragma once

// What the JPEG reader and writer share: the error manager that turns libjpeg's errors
// into fotoloom::Error, and the guard that runs libjpeg calls under setjmp.
#include <csetjmp>
#include <cstdio>
#include <exception>

#include <jpeglib.h>
#include <jerror.h>

#include "core/base/Stream.h"

namespace fotoloom::jpeg {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  int code;
  char text[JMSG_LENGTH_MAX];
  // An exception of our own code (the stream, an allocation) caught inside a libjpeg
  // callback; it is thrown again in place of libjpeg's own error.
  std::exception_ptr pending;
  long warnings;  // libjpeg's warnings about damaged data so far
};

// A real photo has a few dozen scans and at most a handful of warnings; a crafted file can
// hold tens of thousands of empty scans, or damage that warns on every block, and keep a
// decoder busy for minutes. Past these counts the photo is refused.
constexpr int kMaxJpegScans = 1000;
constexpr long kMaxJpegWarnings = 1000;
// libjpeg's own memory for one photo (the coefficients a progressive photo keeps whole);
// about three times what a 50 megapixel photo needs.
constexpr long kMaxJpegMemory = 512L * 1024 * 1024;

// libjpeg's progress monitor: it refuses a photo past the scan limit, and ends the decode
// with Cancelled once `source` asks for a stop. libjpeg calls it for every group of rows and,
// while it gathers the scans of a progressive photo, for every row of blocks of every scan,
// so a stop comes through even while nothing is read.
struct ProgressMonitor {
  jpeg_progress_mgr pub{};
  const TStream* source = nullptr;
};

// Sets the limits above on a decompress struct that uses an ErrorManager; call after
// jpeg_create_decompress. The monitor must live as long as the struct.
void LimitDecompression(j_decompress_ptr cinfo, ProgressMonitor& progress);

// Installs the manager on a compress or decompress struct before it is created.
jpeg_error_mgr* InitErrorManager(ErrorManager& manager);

// Runs fn(arg) and returns false when libjpeg raised an error in it. The setjmp lives in
// this small function, which holds no C++ objects; callers throw after it returns.
bool Guarded(ErrorManager& manager, void (*fn)(void*), void* arg);

// Ends a libjpeg call from inside one of its callbacks after `pending` was set: through
// libjpeg's error exit, so that no C++ exception unwinds through its frames. Call it outside
// any catch block.
[[noreturn]] void ExitWithPending(j_common_ptr cinfo, int code);

// Throws the pending exception if there is one, else the error that libjpeg reported:
// "JPEG error #<code> (<library text>)".
[[noreturn]] void ThrowError(const ErrorManager& manager);

}  // namespace fotoloom::jpeg
