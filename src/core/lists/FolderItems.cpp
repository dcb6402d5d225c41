#include "core/lists/FolderItems.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "core/lists/AsciiCase.h"

namespace fotoloom {
namespace {

struct CloseDir {
  void operator()(DIR* dir) const { closedir(dir); }
};

// Fills in what a stat tells; false for anything that is neither a file nor a folder.
bool TakeStat(const struct stat& info, TFolderItem& item) {
  if (S_ISREG(info.st_mode)) {
    item.is_folder = false;
    item.size = static_cast<uint64_t>(info.st_size);
  } else if (S_ISDIR(info.st_mode)) {
    item.is_folder = true;
  } else {
    return false;
  }
  item.device = info.st_dev;
  item.inode = info.st_ino;
  return true;
}

}  // namespace

bool NameLess(std::string_view a, std::string_view b) {
  const auto folded_less = [](char x, char y) { return AsciiLower(x) < AsciiLower(y); };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), folded_less)) {
    return true;
  }
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), folded_less)) {
    return false;
  }
  return a < b;
}

std::vector<TFolderItem> ReadFolderItems(const std::string& folder,
                                         const TFolderItemFilter& wanted) {
  std::vector<TFolderItem> items;
  const std::unique_ptr<DIR, CloseDir> dir(opendir(folder.c_str()));
  if (!dir) return items;
  const int dir_fd = dirfd(dir.get());
  while (const dirent* entry = readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info;
    bool have_stat = false;
    bool is_folder = false;
    // The entry's own type spares a stat for the items that are not wanted.
    if (entry->d_type == DT_REG || entry->d_type == DT_DIR) {
      is_folder = entry->d_type == DT_DIR;
    } else if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
      if (fstatat(dir_fd, entry->d_name, &info, 0) != 0) continue;
      if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) continue;
      have_stat = true;
      is_folder = S_ISDIR(info.st_mode);
    } else {
      continue;
    }
    if (!wanted(name, is_folder)) continue;
    if (!have_stat && fstatat(dir_fd, entry->d_name, &info, 0) != 0) continue;
    TFolderItem item;
    item.name = name;
    // Checked again: the item may have been replaced since the folder was read.
    if (TakeStat(info, item) && item.is_folder == is_folder) items.push_back(std::move(item));
  }
  std::sort(items.begin(), items.end(),
            [](const TFolderItem& a, const TFolderItem& b) { return NameLess(a.name, b.name); });
  return items;
}

std::optional<TFolderItem> ReadFolderItem(const std::string& folder, const std::string& name) {
  struct stat info;
  if (stat((folder + name).c_str(), &info) != 0) return std::nullopt;
  TFolderItem item;
  item.name = name;
  if (!TakeStat(info, item)) return std::nullopt;
  return item;
}

}  // namespace fotoloom
