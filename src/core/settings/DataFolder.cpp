#include "core/settings/DataFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "core/base/Path.h"

namespace fotoloom {
namespace {

std::string ConfigHome() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') return config;
  const char* home = std::getenv("HOME");
  if (home && home[0] != '\0') return IncludeTrailingSeparator(home) + ".config";
  std::vector<char> buffer(16 * 1024);
  passwd entry;
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir) {
    return IncludeTrailingSeparator(found->pw_dir) + ".config";
  }
  // Nowhere to go: the folder lands in the root, where the first write reports the failure.
  return "";
}

// Creates each missing folder of `folder` (which ends in a separator); errors are ignored.
void CreateFolders(const std::string& folder) {
  for (size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1)) {
    ::mkdir(folder.substr(0, slash).c_str(), 0700);
  }
}

}  // namespace

std::string DataFolder() {
  const std::string folder = IncludeTrailingSeparator(ConfigHome()) + "Fotoloom/";
  CreateFolders(folder);
  return folder;
}

std::string SettingsFilePath() {
  return DataFolder() + "fotoloom.crp";
}

}  // namespace fotoloom
