#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace fotoloom {

// Base64 with padding, on one line.
std::string Base64(std::string_view bytes);

// Every byte outside RFC 3986's unreserved set (letters, digits, "-._~") as "%XX": the
// value can stand anywhere in an address ("&", "#", "+", "%" and "/" included) and means
// itself. `keep` lists further characters that stay as they are.
std::string PercentEncoded(const std::string& text, const char* keep = "");

// True when `text` holds a control character (below 0x20, or DEL): such a value would end
// a command line of FTP or SMTP and start a command of its own.
bool HasControlCharacters(const std::string& text);

// Throws Error naming `what` when `value` holds a control character.
void RefuseControlCharacters(const std::string& value, const std::string& what);

// An RFC 5322 date in UTC, "Fri, 11 Dec 2026 09:05:03 +0000": English names whatever the
// process locale.
std::string MailDate(std::time_t when);

// A text on one line of a mail header: line breaks and other control characters (a tab
// apart) become blanks, so they cannot start a header of their own.
std::string HeaderLine(const std::string& text);

// A header text as it may stand in a mail header: line breaks become blanks, and a text
// beyond printable ASCII becomes RFC 2047 encoded words of UTF-8.
std::string EncodedHeaderText(const std::string& text);

// `Content-Disposition` of an attachment: the plain filename parameter for a printable
// ASCII name, else RFC 2231's filename* in UTF-8 alone.
// Quotes and backslashes are escaped and control characters never reach the header.
std::string AttachmentDisposition(const std::string& file_name);

}  // namespace fotoloom
