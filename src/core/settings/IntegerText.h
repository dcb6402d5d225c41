#pragma once

#include <cstdint>
#include <string>

namespace fotoloom {

// Reads a whole 32-bit integer: decimal with an optional sign, or hexadecimal after "$" or
// "0x"/"0X" (at most eight digits; values above 7FFFFFFF wrap to negative numbers). Returns
// false, leaving `value` alone, for anything else (blanks are allowed only before a decimal
// number).
bool TryStrToInt(const std::string& text, int32_t& value);

}  // namespace fotoloom
