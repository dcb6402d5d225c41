#pragma once

#include <string>

#include "core/base/Error.h"

namespace fotoloom {

// The system's text for an errno value.
std::string SystemErrorText(int error_number);

// "Cannot open file "<path>". <reason>"
Error CannotOpenFileError(const std::string& path, int error_number);
// "Cannot open file "<path>". Not a regular file": a pipe, a device or a folder where a
// photo or a setting was expected.
Error NotARegularFileError(const std::string& path);
// "Cannot create file "<path>". <reason>"
Error CannotCreateFileError(const std::string& path, int error_number);

}  // namespace fotoloom
