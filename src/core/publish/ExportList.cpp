#include "core/publish/ExportList.h"

#include "core/base/Path.h"
#include "core/lists/AsciiCase.h"

namespace fotoloom {

std::string FillExportScript(std::string_view script, std::string_view name) {
  // The search runs on a folded copy of the same length, so its positions hold in the
  // original; what the user typed around the placeholder keeps its case.
  const std::string folded = AsciiLower(script);
  std::string line;
  size_t from = 0;
  for (size_t at = folded.find(kExportPlaceholder); at != std::string::npos;
       at = folded.find(kExportPlaceholder, from)) {
    line.append(script.substr(from, at - from));
    line.append(name);
    from = at + kExportPlaceholder.size();
  }
  line.append(script.substr(from));
  return line;
}

std::vector<std::string> BuildExportLines(const std::vector<TListEntry>& entries,
                                          TExportKind kind, std::string_view script) {
  std::vector<std::string> lines;
  lines.reserve(entries.size());
  for (const TListEntry& entry : entries) {
    const std::string name = kind == TExportKind::PhotosWithFolder
                                 ? IncludeTrailingSeparator(entry.folder) + entry.caption
                                 : entry.caption;
    lines.push_back(FillExportScript(script, name));
  }
  return lines;
}

}  // namespace fotoloom
