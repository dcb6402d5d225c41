// The settings file reader on any text: parsing, the reads of a profile, and the writes. A
// document read back from its own text must give the same settings, and a value just written
// must read back as written.
#include <cstdlib>
#include <string>

#include "core/settings/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  fotoloom::TIniDocument document(text);
  const std::vector<std::string> sections = document.SectionNames();
  const fotoloom::TIniReader reader{fotoloom::TIniDocument(text)};
  // The text written back reads as the same settings (its bytes may differ: line ends).
  const fotoloom::TIniReader rewritten{fotoloom::TIniDocument(document.Text())};
  if (reader.ReadSections() != sections || rewritten.ReadSections() != sections) std::abort();
  for (const std::string& section : sections) {
    for (const char* key : {"Foto_breedte", "Addlogo", ""}) {
      if (reader.ReadString(section, key, "-") != rewritten.ReadString(section, key, "-")) {
        std::abort();
      }
    }
    reader.ReadInteger(section, "Foto_kwaliteit", 0);
    reader.ReadBool(section, "Addlogo", false);
  }
  if (sections.empty()) return 0;

  // Writes into the first and the last section; the first spelling of a name counts.
  document.SetValue(sections.front(), "Fuzz", "written value");
  if (document.Value(sections.front(), "Fuzz") != "written value") std::abort();
  document.SetValue(sections.back(), "fuzz", "second");
  if (document.Value(sections.back(), "FUZZ") != "second") std::abort();
  if (!document.EraseSection(sections.back())) std::abort();
  if (document.Value(sections.back(), "Fuzz").has_value()) std::abort();
  return 0;
}
