#pragma once

#include <string>

#include "core/imaging/Color.h"

namespace fotoloom {

// Reads a colour text: a colour name such as "clWhite" (letter case ignored), a decimal
// number, or "$" and hexadecimal digits. Throws "'<text>' is not a valid integer value".
TColor StringToColor(const std::string& text);

// The colour's name when one matches its value, else "$" and eight upper-case hex digits.
std::string ColorToString(TColor color);

}  // namespace fotoloom
