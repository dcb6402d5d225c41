#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace fotoloom {

// One photo of the selection list or the result list. The file it stands for is always
// folder + caption. The small icon of a row is the window's business.
struct TListEntry {
  std::string caption;      // the file name, no folder
  std::string size_text;    // as shown in the column "Grootte"
  std::string folder;       // the folder of the file, ending in a separator
  std::string stored_name;  // the file name as it was when the entry was made
  bool checked = false;     // the check mark of a result-list entry

  std::string File() const { return folder + caption; }
};

// The entry of a file found on disk: `folder` ends in a separator, `size` is in bytes.
TListEntry FileEntry(const std::string& folder, const std::string& name, uint64_t size,
                     std::string_view decimal_separator);

// The size in kilobytes with one decimal, halves rounded up, no thousands separator, then
// " kB": 1536 bytes give "1.5 kB" (or "1,5 kB" with a comma as decimal separator).
std::string SizeText(uint64_t size, std::string_view decimal_separator);

}  // namespace fotoloom
