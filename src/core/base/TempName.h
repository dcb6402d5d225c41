#pragma once

#include <string>

namespace fotoloom {

// A new random name ".<name>.XXXXXX" in the folder of `target`, for a file that is written
// there and then renamed to `target`. Hidden, and within the usual 255-byte limit of a name.
std::string TempNameBeside(const std::string& target);

}  // namespace fotoloom
