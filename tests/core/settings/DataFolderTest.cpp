#include "core/settings/DataFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "support/TempDir.h"

namespace fotoloom {
namespace {

// Sets an environment variable for the life of the object (unset for nullopt).
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_saved = old;
    Set(value);
  }
  ~ScopedEnv() { Set(m_saved); }

 private:
  void Set(const std::optional<std::string>& value) {
    if (value) {
      ::setenv(m_name, value->c_str(), 1);
    } else {
      ::unsetenv(m_name);
    }
  }
  const char* m_name;
  std::optional<std::string> m_saved;
};

mode_t FolderMode(const std::string& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info.st_mode & 07777;
}

TEST(DataFolderTest, UsesXdgConfigHomeAndCreatesTheFolders) {
  test::TempDir dir;
  const ScopedEnv xdg("XDG_CONFIG_HOME", dir.File("deep/config"));
  EXPECT_EQ(DataFolder(), dir.File("deep/config/Fotoloom/"));
  EXPECT_EQ(FolderMode(dir.File("deep/config/Fotoloom")), 0700u);
  EXPECT_EQ(SettingsFilePath(), dir.File("deep/config/Fotoloom/fotoloom.crp"));
}

TEST(DataFolderTest, FallsBackToHomeWhenXdgConfigHomeIsUnsetOrRelative) {
  test::TempDir dir;
  const ScopedEnv home("HOME", dir.Path());
  for (const std::optional<std::string>& xdg :
       {std::optional<std::string>(), {"relative/config"}}) {
    const ScopedEnv unset("XDG_CONFIG_HOME", xdg);
    EXPECT_EQ(DataFolder(), dir.File(".config/Fotoloom/"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File(".config/Fotoloom")));
  }
}

}  // namespace
}  // namespace fotoloom
