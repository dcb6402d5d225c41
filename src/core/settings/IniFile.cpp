#include "core/settings/IniFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "core/base/ReplaceFile.h"
#include "core/base/SystemError.h"
#include "core/settings/IntegerText.h"

namespace fotoloom {
namespace {

// The settings file is replaced whole, never left half written, and keeps mode 0600 since it
// holds the FTP password.
void WriteFile(const std::string& path, const std::string& text) {
  ReplaceFileSafely(path, {reinterpret_cast<const uint8_t*>(text.data()), text.size()}, 0600,
                    [&](int) { return Error("Unable to write to " + path); });
}

// Reads the whole file into `text`; returns 0 or the errno of the failure.
int ReadWholeFile(const std::string& path, std::string& text) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  int error = 0;
  char buffer[16 * 1024];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) error = errno;
    if (got <= 0) break;
    text.append(buffer, static_cast<size_t>(got));
  }
  ::close(fd);
  return error;
}

bool IsMissing(int error) {
  return error == ENOENT || error == ENOTDIR;
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != text.npos;
}

// A name that would read back as something else is refused rather than written.
bool CanStandInFile(std::string_view section, std::string_view key, std::string_view value) {
  return !HasLineBreak(section) && !HasLineBreak(key) && !HasLineBreak(value) && !key.empty() &&
         key.find('=') == key.npos && key[0] != ';' && key[0] != '[';
}

// Cuts at `limit` bytes, backing off to the start of a UTF-8 character cut in two.
std::string_view CutValue(std::string_view value, size_t limit) {
  if (value.size() <= limit) return value;
  size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(value[end]) & 0xC0) == 0x80) --end;
  return value.substr(0, end);
}

}  // namespace

TIniDocument TIniFile::Read() const {
  std::string text;
  const int error = ReadWholeFile(m_file_name, text);
  if (error && !IsMissing(error)) throw CannotOpenFileError(m_file_name, error);
  return TIniDocument(error ? std::string() : text);
}

// A file that cannot be read must not be replaced by one that holds only the new key.
TIniDocument TIniFile::ReadForWrite() const {
  std::string text;
  const int error = ReadWholeFile(m_file_name, text);
  if (error && !IsMissing(error)) throw Error("Unable to write to " + m_file_name);
  return TIniDocument(error ? std::string() : text);
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view default_value) const {
  const TIniDocument document = Read();
  const auto value = document.Value(TrimBlanks(section), TrimBlanks(key));
  return std::string(CutValue(value ? *value : default_value, kMaxValueLength));
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key,
                              int32_t default_value) const {
  int32_t value = default_value;
  return TryStrToInt(ReadString(section, key, ""), value) ? value : default_value;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool default_value) const {
  return ReadInteger(section, key, default_value ? 1 : 0) != 0;
}

std::vector<std::string> TIniFile::ReadSections() const {
  return Read().SectionNames();
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  section = TrimBlanks(section);
  key = TrimBlanks(key);
  if (!CanStandInFile(section, key, value)) throw Error("Unable to write to " + m_file_name);
  TIniDocument document = ReadForWrite();
  document.SetValue(section, key, value);
  WriteFile(m_file_name, document.Text());
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TIniFile::EraseSection(std::string_view section) {
  TIniDocument document = ReadForWrite();
  if (document.EraseSection(TrimBlanks(section))) WriteFile(m_file_name, document.Text());
}

}  // namespace fotoloom
