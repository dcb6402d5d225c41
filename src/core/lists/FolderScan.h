#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/lists/ListEntry.h"
#include "core/lists/ListedFiles.h"

namespace fotoloom {

// Takes the next photos a scan found, in the order to append them, and returns false to stop
// the scan. It is called on the thread that runs the scan, at least once per folder scanned
// (then possibly with no photos) and whenever kScanBatchSize photos are waiting, so that the
// caller can show progress and stop the scan in good time.
using TScanReport = std::function<bool(std::vector<TListEntry> photos)>;

inline constexpr size_t kScanBatchSize = 100;

// Adds the photos of a folder to the selection list: its files, hidden ones too, whose
// extension contains "jpg", "jpeg", "gif" or "bmp" in any letter case, in name order (letter
// case ignored), each unless `listed` holds it already; then, when `include_subfolders` is
// set, each sub-folder in name order, recursively, except those whose name starts with "."
// and those reached before through a link. Every photo reported is added to `listed`, which
// the scan alone may use while it runs. Folders that cannot be read are passed over in
// silence. Entries carry the size text with the given decimal separator.
void ScanFolder(const std::string& folder, bool include_subfolders,
                std::string_view decimal_separator, TListedFiles& listed,
                const TScanReport& report);

}  // namespace fotoloom
