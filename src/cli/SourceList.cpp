#include "cli/SourceList.h"

#include <filesystem>

#include "core/base/Path.h"
#include "core/lists/FolderScan.h"
#include "core/lists/ListedFiles.h"

namespace fotoloom {

std::vector<TListEntry> CollectSources(const std::vector<std::string>& sources, bool recursive) {
  namespace fs = std::filesystem;
  std::vector<TListEntry> photos;
  TListedFiles listed;
  for (const std::string& source : sources) {
    std::error_code error;
    if (fs::is_directory(source, error)) {
      ScanFolder(source, recursive, ".", listed, [&](std::vector<TListEntry> found) {
        for (TListEntry& entry : found) photos.push_back(std::move(entry));
        return true;
      });
      continue;
    }
    // A file is taken as given, whatever its extension: the engine knows it by content, and
    // one that cannot be read fails on its own line.
    const fs::path path(source);
    TListEntry entry;
    entry.caption = path.filename().string();
    entry.folder =
        IncludeTrailingSeparator(path.has_parent_path() ? path.parent_path().string() : ".");
    entry.stored_name = entry.caption;
    if (listed.Insert(entry.folder, entry.caption)) photos.push_back(std::move(entry));
  }
  return photos;
}

}  // namespace fotoloom
