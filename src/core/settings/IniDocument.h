#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fotoloom {

// The text without blanks and control characters at either end.
std::string_view TrimBlanks(std::string_view text);

// True when both names are equal with ASCII letters compared without regard to case. Other
// bytes (such as the parts of a UTF-8 character) must match exactly.
bool SameName(std::string_view a, std::string_view b);

// The lines of an INI text with the lookups of the profile functions:
//  - "[name]" opens a section; "key=value" sets a key; names are trimmed and matched with
//    SameName, and a value is trimmed of the blanks around it;
//  - lines starting with ";", blank lines, lines without "=" and keys before the first
//    section are ignored but kept, as are the positions of everything not written;
//  - where a section or a key occurs twice, the first one counts.
// Lines may end in CR LF; a UTF-8 byte order mark at the start is skipped. The text comes
// back with LF line ends and with the byte order mark when it had one.
class TIniDocument {
 public:
  explicit TIniDocument(std::string_view text);

  std::string Text() const;

  std::optional<std::string_view> Value(std::string_view section, std::string_view key) const;
  // Replaces the key's line where it stands, or appends "key=value" after the last key of the
  // section, or appends the section with the key at the end of the text.
  void SetValue(std::string_view section, std::string_view key, std::string_view value);
  // Removes every section of that name with all its lines; false when there was none.
  bool EraseSection(std::string_view section);
  // The section names in the order of the text, each once (the first spelling).
  std::vector<std::string> SectionNames() const;

 private:
  // Index of the first line of the section's header, or npos.
  size_t FindSection(std::string_view section) const;
  // Index of the next header after `header`, or the number of lines.
  size_t SectionEnd(size_t header) const;

  std::vector<std::string> m_lines;
  bool m_byte_order_mark = false;
};

}  // namespace fotoloom
