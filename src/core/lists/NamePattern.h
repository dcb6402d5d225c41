#pragma once

#include <string_view>

namespace fotoloom {

// True when the name matches the pattern: "*" stands for any run of characters, "?" for one
// character (of UTF-8 text), every other character for itself, in the same letter case.
bool MatchesNamePattern(std::string_view name, std::string_view pattern);

// True when the pattern holds a "*" or a "?".
bool HasWildcards(std::string_view pattern);

}  // namespace fotoloom
