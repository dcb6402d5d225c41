#include "core/net/TextEncoding.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstring>

#include "core/base/Error.h"

namespace fotoloom {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool Unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         c == '-' || c == '.' || c == '_' || c == '~';
}

bool Control(unsigned char c) { return c < 0x20 || c == 0x7F; }

bool PrintableAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte < 0x7F;
  });
}

}  // namespace

std::string Base64(std::string_view bytes) {
  std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                                     reinterpret_cast<const unsigned char*>(bytes.data()),
                                     static_cast<int>(bytes.size()));
  text.resize(static_cast<size_t>(length));
  return text;
}

std::string HeaderLine(const std::string& text) {
  std::string line;
  for (const char c : text) line += Control(static_cast<unsigned char>(c)) && c != '\t' ? ' ' : c;
  return line;
}

std::string PercentEncoded(const std::string& text, const char* keep) {
  std::string encoded;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (Unreserved(byte) || (c != '\0' && std::strchr(keep, c) != nullptr)) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 15];
    }
  }
  return encoded;
}

bool HasControlCharacters(const std::string& text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return Control(static_cast<unsigned char>(c)); });
}

void RefuseControlCharacters(const std::string& value, const std::string& what) {
  if (HasControlCharacters(value))
    throw Error(what + " bevat een regeleinde of een ander stuurteken; dat is niet toegestaan.");
}

std::string MailDate(std::time_t when) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm utc{};
  gmtime_r(&when, &utc);
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[utc.tm_wday],
                utc.tm_mday, kMonths[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                utc.tm_sec);
  return text;
}

// An encoded word per piece of at most 45 bytes, never splitting a UTF-8 character.
std::string EncodedHeaderText(const std::string& text) {
  const std::string line = HeaderLine(text);
  if (PrintableAscii(line)) return line;
  std::string result;
  size_t start = 0;
  while (start < line.size()) {
    size_t end = std::min(line.size(), start + 45);
    while (end < line.size() && end > start + 1 &&
           (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80)
      --end;
    if (!result.empty()) result += "\r\n ";
    result += "=?UTF-8?B?" + Base64(line.substr(start, end - start)) + "?=";
    start = end;
  }
  return result;
}

// A reader that sees both parameters may take the plain one, so a name beyond ASCII goes
// in filename* alone.
std::string AttachmentDisposition(const std::string& file_name) {
  const std::string name = HeaderLine(file_name);
  if (!PrintableAscii(name))
    return "Content-Disposition: attachment; filename*=UTF-8''" + PercentEncoded(name);
  std::string quoted;
  for (const char c : name) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return "Content-Disposition: attachment; filename=\"" + quoted + "\"";
}

}  // namespace fotoloom
