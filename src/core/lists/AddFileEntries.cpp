#include "core/lists/AddFileEntries.h"

#include "core/base/Path.h"
#include "core/lists/FolderItems.h"
#include "core/lists/NamePattern.h"
#include "core/lists/PhotoExtensions.h"

namespace fotoloom {

std::vector<TListEntry> AddFileEntries(const std::string& folder, std::string_view pattern,
                                       std::string_view decimal_separator) {
  const std::string with_separator = IncludeTrailingSeparator(folder);
  std::vector<TListEntry> entries;
  if (pattern.empty() || pattern.find(kPathSeparator) != std::string_view::npos) return entries;

  // The run passes one written file's name: look that file up instead of reading a folder
  // that may hold thousands of photos by the end of the run.
  if (!HasWildcards(pattern)) {
    const std::optional<TFolderItem> item = ReadFolderItem(with_separator, std::string(pattern));
    if (item && !item->is_folder && HasPhotoExtension(item->name)) {
      entries.push_back(FileEntry(with_separator, item->name, item->size, decimal_separator));
    }
    return entries;
  }

  const auto wanted = [pattern](std::string_view name, bool is_folder) {
    return !is_folder && HasPhotoExtension(name) && MatchesNamePattern(name, pattern);
  };
  for (const TFolderItem& item : ReadFolderItems(with_separator, wanted)) {
    entries.push_back(FileEntry(with_separator, item.name, item.size, decimal_separator));
  }
  return entries;
}

}  // namespace fotoloom
