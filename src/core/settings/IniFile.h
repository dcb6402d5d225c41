#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/IniDocument.h"

namespace fotoloom {

// The reads of one parse of an INI text: for many keys at once, so that the file is read and
// parsed once rather than once per key. The rules are TIniFile's.
class TIniReader {
 public:
  explicit TIniReader(TIniDocument document) : m_document(std::move(document)) {}

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view default_value) const;
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t default_value) const;
  bool ReadBool(std::string_view section, std::string_view key, bool default_value) const;
  std::vector<std::string> ReadSections() const;

 private:
  TIniDocument m_document;
};

// The settings file as an INI file with the rules of the classic profile functions. Every
// call reads the file afresh and every write replaces it at once (ReplaceFile), so several
// TIniFile objects on one file never undo each other's writes.
//
// The file is UTF-8 text; names and values are passed as UTF-8 and compared as described
// at TIniDocument. A missing file reads as empty and comes into being at the first write.
class TIniFile {
 public:
  // The longest value a read returns; longer stored values are cut.
  static constexpr size_t kMaxValueLength = 2047;

  explicit TIniFile(std::string file_name) : m_file_name(std::move(file_name)) {}

  const std::string& FileName() const { return m_file_name; }

  // Reads throw "Cannot open file ..." when the file exists but cannot be read.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view default_value) const;
  // A value that is not a whole number (TryStrToInt; "0x" or "$" for hexadecimal) reads as
  // the default.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t default_value) const;
  // Any integer but 0 is true; a value that is no integer reads as the default.
  bool ReadBool(std::string_view section, std::string_view key, bool default_value) const;
  // The section names in file order, each once.
  std::vector<std::string> ReadSections() const;
  // The file as it is now, for many reads.
  TIniReader Snapshot() const { return TIniReader(Read()); }

  // Writes throw "Unable to write to <file>" and then leave the file as it was. A value
  // must be one line: a line break in it, or a name that cannot stand in the file, is
  // refused the same way.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  // Removes the section with all its keys; the file is left alone when it has none.
  void EraseSection(std::string_view section);

 private:
  TIniDocument Read() const;
  TIniDocument ReadForWrite() const;

  std::string m_file_name;
};

}  // namespace fotoloom
