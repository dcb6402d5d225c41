#pragma once

#include <string>
#include <vector>

namespace fotoloom {

// Fills the text directives of a script address pattern: "%s" takes the next argument,
// "%%" is one percent sign. Between "%" and "s" may stand an argument index and ":" (later
// directives go on from there), "-" (pad on the right), a width (pad with spaces to it) and
// "." with a precision (at most that many characters of the argument). Throws Error for any
// other directive and for a directive without an argument left.
std::string ExpandScriptPattern(const std::string& pattern, const std::vector<std::string>& args);

}  // namespace fotoloom
