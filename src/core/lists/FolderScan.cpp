#include "core/lists/FolderScan.h"

#include <sys/stat.h>

#include <set>
#include <utility>

#include "core/base/Path.h"
#include "core/lists/FolderItems.h"
#include "core/lists/PhotoExtensions.h"

namespace fotoloom {
namespace {

class TFolderScan {
 public:
  TFolderScan(bool include_subfolders, std::string_view decimal_separator, TListedFiles& listed,
              const TScanReport& report)
      : m_include_subfolders(include_subfolders),
        m_decimal_separator(decimal_separator),
        m_listed(listed),
        m_report(report) {}

  // Returns false once the caller has stopped the scan.
  bool Scan(const std::string& folder) {
    const auto wanted = [this](std::string_view name, bool is_folder) {
      return is_folder ? m_include_subfolders && !name.starts_with('.')
                       : ContainsPhotoExtension(name);
    };
    std::vector<TFolderItem> subfolders;
    for (TFolderItem& item : ReadFolderItems(folder, wanted)) {
      if (item.is_folder) {
        subfolders.push_back(std::move(item));
      } else if (m_listed.Insert(folder, item.name)) {
        m_batch.push_back(FileEntry(folder, item.name, item.size, m_decimal_separator));
        if (m_batch.size() == kScanBatchSize && !Report()) return false;
      }
    }
    if (!Report()) return false;
    for (const TFolderItem& sub : subfolders) {
      // A link back to a folder of the scan would otherwise lead round for ever.
      if (!m_seen.insert({sub.device, sub.inode}).second) continue;
      if (!Scan(folder + sub.name + kPathSeparator)) return false;
    }
    return true;
  }

  void MarkSeen(const std::string& folder) {
    struct stat info;
    if (stat(folder.c_str(), &info) == 0) m_seen.insert({info.st_dev, info.st_ino});
  }

 private:
  bool Report() {
    std::vector<TListEntry> photos;
    photos.swap(m_batch);
    return m_report(std::move(photos));
  }

  const bool m_include_subfolders;
  const std::string_view m_decimal_separator;
  TListedFiles& m_listed;
  const TScanReport& m_report;
  std::vector<TListEntry> m_batch;
  std::set<std::pair<dev_t, ino_t>> m_seen;
};

}  // namespace

void ScanFolder(const std::string& folder, bool include_subfolders,
                std::string_view decimal_separator, TListedFiles& listed,
                const TScanReport& report) {
  const std::string start = IncludeTrailingSeparator(folder);
  TFolderScan scan(include_subfolders, decimal_separator, listed, report);
  scan.MarkSeen(start);
  scan.Scan(start);
}

}  // namespace fotoloom
