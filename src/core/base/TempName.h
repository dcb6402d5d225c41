#pragma once

#include <string>

namespace fotoloom {

// A new random name ".<name>.XXXXXX" in the folder of `target`, for a file that is written
// there and then renamed to `target`. Hidden, and within the usual 255-byte limit of a name.
std::string TempNameBeside(const std::string& target);

// Creates such a file, exclusively, with mode 0666 so that the umask applies as to any new
// file (mkstemp would always give 0600). Returns its descriptor open for writing and sets
// `temp_path`, or returns -1 with errno set.
int CreateTempBeside(const std::string& target, std::string& temp_path);

}  // namespace fotoloom
