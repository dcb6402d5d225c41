#include "core/base/SystemError.h"

#include <cstring>

namespace fotoloom {

std::string SystemErrorText(int error_number) {
  char buffer[256];
  // GNU strerror_r returns the text, which may or may not live in the buffer.
  return strerror_r(error_number, buffer, sizeof buffer);
}

Error CannotOpenFileError(const std::string& path, int error_number) {
  return Error("Cannot open file \"" + path + "\". " + SystemErrorText(error_number));
}

Error NotARegularFileError(const std::string& path) {
  return Error("Cannot open file \"" + path + "\". Not a regular file");
}

Error CannotCreateFileError(const std::string& path, int error_number) {
  return Error("Cannot create file \"" + path + "\". " + SystemErrorText(error_number));
}

}  // namespace fotoloom
