#include "core/lists/ListedFiles.h"

#include "core/lists/AsciiCase.h"

namespace fotoloom {
namespace {

// The folder ends in a separator and the caption holds none, so the joined text is unique.
std::string Key(const std::string& folder, const std::string& caption) {
  return AsciiLower(folder + caption);
}

}  // namespace

TListedFiles::TListedFiles(const std::vector<TListEntry>& entries) {
  for (const TListEntry& entry : entries) Insert(entry.folder, entry.caption);
}

bool TListedFiles::Contains(const std::string& folder, const std::string& caption) const {
  return m_keys.contains(Key(folder, caption));
}

bool TListedFiles::Insert(const std::string& folder, const std::string& caption) {
  return m_keys.insert(Key(folder, caption)).second;
}

}  // namespace fotoloom
