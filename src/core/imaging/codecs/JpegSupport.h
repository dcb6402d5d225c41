#pragma once

// What the JPEG reader and writer share: the error manager that turns libjpeg's errors
// into fotoloom::Error, and the guard that runs libjpeg calls under setjmp.
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace fotoloom::jpeg {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  int code;
  char text[JMSG_LENGTH_MAX];
};

// Installs the manager on a compress or decompress struct before it is created.
jpeg_error_mgr* InitErrorManager(ErrorManager& manager);

// Runs fn(arg) and returns false when libjpeg raised an error in it. The setjmp lives in
// this small function, which holds no C++ objects; callers throw after it returns.
bool Guarded(ErrorManager& manager, void (*fn)(void*), void* arg);

// Throws the error that libjpeg reported: "JPEG error #<code> (<library text>)".
[[noreturn]] void ThrowError(const ErrorManager& manager);

}  // namespace fotoloom::jpeg
