#pragma once

#include <string>
#include <string_view>

namespace fotoloom {

// A path is a folder ending in a separator followed by a file name.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// True for the characters that end the folder part of a path ("/"; on Windows also "\" and
// the ":" after a drive letter).
bool IsPathDelimiter(char c);

// The folder with a separator at its end; an empty folder becomes the separator alone.
std::string IncludeTrailingSeparator(std::string folder);

// The extension of the file name at the end of a path: from its last "." on, or empty when
// the name has no ".".
std::string_view FileExtension(std::string_view path);

}  // namespace fotoloom
