#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/lists/ListEntry.h"

namespace fotoloom {

// The kinds of export list, in the order of the kind box.
enum class TExportKind { Photos = 0, PhotosWithFolder = 1, Html = 2, Xml = 3 };

struct TExportKindInfo {
  TExportKind kind;
  const char* caption;
  const char* script;  // the template the kind puts into the template field
};

inline constexpr std::array<TExportKindInfo, 4> kExportKinds = {{
    {TExportKind::Photos, "FOTOS", "<bestandsnaam>"},
    {TExportKind::PhotosWithFolder, "FOTOS + MAP", "<bestandsnaam>"},
    {TExportKind::Html, "HTML",
     "<img src=\"/fotos/<bestandsnaam>\" border=\"0\" alt=\"Mijn foto\" title=\"Mijn foto\">"},
    {TExportKind::Xml, "XML", "<img><bestandsnaam></img>"},
}};

inline constexpr std::string_view kExportPlaceholder = "<bestandsnaam>";

// The script with every occurrence of the placeholder, in any letter case, replaced by name.
std::string FillExportScript(std::string_view script, std::string_view name);

// One line per entry, in list order, checked or not: the script filled with the entry's
// caption, or with its folder and caption for "FOTOS + MAP".
std::vector<std::string> BuildExportLines(const std::vector<TListEntry>& entries,
                                          TExportKind kind, std::string_view script);

}  // namespace fotoloom
