#include "core/settings/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "core/base/ReplaceFile.h"
#include "core/base/SystemError.h"
#include "core/settings/IntegerText.h"

namespace fotoloom {
namespace {

// Settings files are small; anything far larger is no settings file and is not read.
constexpr off_t kMaxFileSize = 4 * 1024 * 1024;

// The folder a path lies in, with its links resolved; empty when it does not resolve.
std::string RealFolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::unique_ptr<char, decltype(&std::free)> real(::realpath(folder.c_str(), nullptr),
                                                         &std::free);
  return real ? std::string(real.get()) : std::string();
}

// A settings file that is a link is written through only to a file in its own folder: a
// link elsewhere would give that file our content and mode 0600.
void RefuseLinkOutOfFolder(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return;
  const std::unique_ptr<char, decltype(&std::free)> target(::realpath(path.c_str(), nullptr),
                                                           &std::free);
  const std::string own_folder = RealFolderOf(path);
  if (!target || own_folder.empty() || RealFolderOf(target.get()) != own_folder) {
    throw Error("Unable to write to " + path);
  }
}

// The settings file is replaced whole, never left half written, and keeps mode 0600 since it
// holds the FTP password.
void WriteFile(const std::string& path, const std::string& text) {
  RefuseLinkOutOfFolder(path);
  ReplaceFileSafely(path, {reinterpret_cast<const uint8_t*>(text.data()), text.size()}, 0600,
                    [&](int) { return Error("Unable to write to " + path); });
}

// Reads the whole file into `text`; returns 0 or the errno of the failure. Throws for what is
// no settings file: a pipe or device (opened without blocking), or a file too large.
int ReadWholeFile(const std::string& path, std::string& text) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  struct TClose {
    int fd;
    ~TClose() { ::close(fd); }
  } const closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0) return errno;
  if (!S_ISREG(info.st_mode)) throw NotARegularFileError(path);
  if (info.st_size > kMaxFileSize) throw CannotOpenFileError(path, EFBIG);
  char buffer[16 * 1024];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return errno;
    if (got == 0) return 0;
    text.append(buffer, static_cast<size_t>(got));
    if (static_cast<off_t>(text.size()) > kMaxFileSize) throw CannotOpenFileError(path, EFBIG);
  }
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
  int error = 0;
  try {
    error = ReadWholeFile(m_file_name, text);
  } catch (const Error&) {
    throw Error("Unable to write to " + m_file_name);
  }
  if (error && !IsMissing(error)) throw Error("Unable to write to " + m_file_name);
  return TIniDocument(error ? std::string() : text);
}

std::string TIniReader::ReadString(std::string_view section, std::string_view key,
                                   std::string_view default_value) const {
  const auto value = m_document.Value(TrimBlanks(section), TrimBlanks(key));
  return std::string(CutValue(value ? *value : default_value, TIniFile::kMaxValueLength));
}

int32_t TIniReader::ReadInteger(std::string_view section, std::string_view key,
                                int32_t default_value) const {
  int32_t value = default_value;
  return TryStrToInt(ReadString(section, key, ""), value) ? value : default_value;
}

bool TIniReader::ReadBool(std::string_view section, std::string_view key,
                          bool default_value) const {
  return ReadInteger(section, key, default_value ? 1 : 0) != 0;
}

std::vector<std::string> TIniReader::ReadSections() const {
  return m_document.SectionNames();
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view default_value) const {
  return Snapshot().ReadString(section, key, default_value);
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key,
                              int32_t default_value) const {
  return Snapshot().ReadInteger(section, key, default_value);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool default_value) const {
  return Snapshot().ReadBool(section, key, default_value);
}

std::vector<std::string> TIniFile::ReadSections() const {
  return Snapshot().ReadSections();
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
