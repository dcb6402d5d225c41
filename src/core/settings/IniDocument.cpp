#include "core/settings/IniDocument.h"

#include <unordered_set>

namespace fotoloom {
namespace {

constexpr size_t npos = std::string::npos;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

enum class LineKind { kOther, kSection, kKey };

struct ParsedLine {
  LineKind kind = LineKind::kOther;
  std::string_view name;
  std::string_view value;
};

ParsedLine ParseLine(std::string_view line) {
  line = TrimBlanks(line);
  if (line.empty() || line[0] == ';') return {};
  if (line[0] == '[') {
    // Up to the last "]", so that a name may hold brackets itself.
    const size_t close = line.rfind(']');
    return {LineKind::kSection, TrimBlanks(line.substr(1, close == npos ? npos : close - 1)), {}};
  }
  const size_t equals = line.find('=');
  if (equals == npos) return {};
  return {LineKind::kKey, TrimBlanks(line.substr(0, equals)), TrimBlanks(line.substr(equals + 1))};
}

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

std::string KeyLine(std::string_view key, std::string_view value) {
  std::string line(key);
  line += '=';
  line += value;
  return line;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  const auto is_blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

TIniDocument::TIniDocument(std::string_view text) {
  if (text.starts_with(kByteOrderMark)) {
    text.remove_prefix(kByteOrderMark.size());
    m_byte_order_mark = true;
  }
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    m_lines.emplace_back(line);
    text.remove_prefix(end == npos ? text.size() : end + 1);
  }
}

std::string TIniDocument::Text() const {
  // Written back, so that the text reads the same again: without it, a second mark (or any
  // text that starts like one) would be skipped as the mark at the next read.
  std::string text(m_byte_order_mark ? kByteOrderMark : "");
  for (const std::string& line : m_lines) {
    text += line;
    text += '\n';
  }
  return text;
}

size_t TIniDocument::FindSection(std::string_view section) const {
  for (size_t i = 0; i < m_lines.size(); ++i) {
    const ParsedLine parsed = ParseLine(m_lines[i]);
    if (parsed.kind == LineKind::kSection && SameName(parsed.name, section)) return i;
  }
  return npos;
}

size_t TIniDocument::SectionEnd(size_t header) const {
  size_t end = header + 1;
  while (end < m_lines.size() && ParseLine(m_lines[end]).kind != LineKind::kSection) ++end;
  return end;
}

std::optional<std::string_view> TIniDocument::Value(std::string_view section,
                                                    std::string_view key) const {
  const size_t header = FindSection(section);
  if (header == npos) return std::nullopt;
  const size_t end = SectionEnd(header);
  for (size_t i = header + 1; i < end; ++i) {
    const ParsedLine parsed = ParseLine(m_lines[i]);
    if (parsed.kind == LineKind::kKey && SameName(parsed.name, key)) return parsed.value;
  }
  return std::nullopt;
}

void TIniDocument::SetValue(std::string_view section, std::string_view key,
                            std::string_view value) {
  const size_t header = FindSection(section);
  if (header == npos) {
    std::string header_line = "[";
    header_line.append(section).append("]");
    m_lines.push_back(std::move(header_line));
    m_lines.push_back(KeyLine(key, value));
    return;
  }
  const size_t end = SectionEnd(header);
  // Blank lines and comments after the last key stay between it and the next section.
  size_t insert_at = header + 1;
  for (size_t i = header + 1; i < end; ++i) {
    const ParsedLine parsed = ParseLine(m_lines[i]);
    if (parsed.kind != LineKind::kKey) continue;
    if (SameName(parsed.name, key)) {
      m_lines[i] = KeyLine(key, value);
      return;
    }
    insert_at = i + 1;
  }
  m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insert_at), KeyLine(key, value));
}

bool TIniDocument::EraseSection(std::string_view section) {
  bool erased = false;
  for (size_t header = FindSection(section); header != npos; header = FindSection(section)) {
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(header),
                  m_lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(header)));
    erased = true;
  }
  return erased;
}

std::vector<std::string> TIniDocument::SectionNames() const {
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;  // in lower case, so that a long list stays fast
  for (const std::string& line : m_lines) {
    const ParsedLine parsed = ParseLine(line);
    if (parsed.kind != LineKind::kSection) continue;
    std::string lower(parsed.name);
    for (char& c : lower) c = LowerAscii(c);
    if (seen.insert(std::move(lower)).second) names.emplace_back(parsed.name);
  }
  return names;
}

}  // namespace fotoloom
