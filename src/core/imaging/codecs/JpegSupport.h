#pragma once

// What the JPEG reader and writer share: the error manager that turns libjpeg's errors
// into fotoloom::Error, and the guard that runs libjpeg calls under setjmp.
#include <csetjmp>
#include <cstdio>
#include <exception>

#include <jpeglib.h>

namespace fotoloom::jpeg {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  int code;
  char text[JMSG_LENGTH_MAX];
  // An exception of our own code (the stream, an allocation) caught inside a libjpeg
  // callback; it is thrown again in place of libjpeg's own error.
  std::exception_ptr pending;
};

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
