#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fotoloom {

// A file or a folder inside a folder, links followed.
struct TFolderItem {
  std::string name;
  bool is_folder = false;
  uint64_t size = 0;  // of a file, in bytes
  dev_t device = 0;   // device and inode tell whether a folder was reached before
  ino_t inode = 0;
};

// Chooses items by name and kind before anything else is read about them.
using TFolderItemFilter = std::function<bool(std::string_view name, bool is_folder)>;

// The files and folders of `folder` (ending in a separator) that pass `wanted`, sorted by
// name (letter case ignored, then byte by byte). Files of every kind of access are listed;
// devices, pipes, sockets and broken links are not. A folder that cannot be read has no items.
std::vector<TFolderItem> ReadFolderItems(const std::string& folder,
                                         const TFolderItemFilter& wanted);

// The item `name` of `folder`, if it is a file or a folder.
std::optional<TFolderItem> ReadFolderItem(const std::string& folder, const std::string& name);

// The order of ReadFolderItems.
bool NameLess(std::string_view a, std::string_view b);

}  // namespace fotoloom
