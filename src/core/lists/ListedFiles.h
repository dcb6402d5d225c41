#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "core/lists/ListEntry.h"

namespace fotoloom {

// The files a list holds, for the duplicate test of the selection list: an entry is the same
// file as another when caption and folder both match with letter case ignored. An add builds
// one from the list as it stands when the add starts.
class TListedFiles {
 public:
  TListedFiles() = default;
  explicit TListedFiles(const std::vector<TListEntry>& entries);

  bool Contains(const std::string& folder, const std::string& caption) const;
  // Adds the file; false when it was listed already.
  bool Insert(const std::string& folder, const std::string& caption);

 private:
  std::unordered_set<std::string> m_keys;
};

}  // namespace fotoloom
