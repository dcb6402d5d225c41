#include "core/base/RenameInFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>

#include "core/base/Error.h"
#include "core/base/SystemError.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

using RenameRoad = std::function<void(const std::string&, const std::string&, const std::string&)>;

// Both roads to a new name must behave the same: the usual one and the one for file systems
// that cannot rename without replacing.
class RenameInFolderTest : public testing::TestWithParam<bool> {
 protected:
  void Rename(const std::string& old_name, const std::string& new_name) {
    if (GetParam())
      RenameInFolderByLinking(m_dir.Path(), old_name, new_name);
    else
      RenameInFolder(m_dir.Path(), old_name, new_name);
  }
  std::string ErrorOf(const std::string& old_name, const std::string& new_name) {
    try {
      Rename(old_name, new_name);
    } catch (const Error& error) {
      return error.what();
    }
    return {};
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(m_dir.File(name)); }

  TempDir m_dir;
};

TEST_P(RenameInFolderTest, GivesTheFileTheNewNameAsTyped) {
  WriteFileBytes(m_dir.File("a.jpg"), {1, 2, 3});
  Rename("a.jpg", "vakantie");
  EXPECT_FALSE(Exists("a.jpg"));
  EXPECT_EQ(ReadFileBytes(m_dir.File("vakantie")), (std::vector<uint8_t>{1, 2, 3}));
  // The folder may be given with its separator too.
  RenameInFolder(m_dir.Path() + "/", "vakantie", " strand .JPG");
  EXPECT_EQ(ReadFileBytes(m_dir.File(" strand .JPG")), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_P(RenameInFolderTest, NeverReplacesAFileOfTheNewName) {
  WriteFileBytes(m_dir.File("a.jpg"), {1});
  WriteFileBytes(m_dir.File("b.jpg"), {2});
  const std::string message = ErrorOf("a.jpg", "b.jpg");
  EXPECT_EQ(message, "Er staat al een bestand \"b.jpg\" in de map \"" + m_dir.Path() +
                         "\". Kies een andere naam.");
  EXPECT_EQ(ReadFileBytes(m_dir.File("a.jpg")), std::vector<uint8_t>{1});
  EXPECT_EQ(ReadFileBytes(m_dir.File("b.jpg")), std::vector<uint8_t>{2});
}

TEST_P(RenameInFolderTest, RefusesNamesThatLeaveTheFolder) {
  std::filesystem::create_directory(m_dir.File("sub"));
  WriteFileBytes(m_dir.File("a.jpg"), {1});
  for (const std::string& name : std::initializer_list<std::string>{
           "sub/a.jpg", "../a.jpg", "/tmp/a.jpg", ".", "..", "a/", std::string("b\0.jpg", 6)}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ErrorOf("a.jpg", name),
              "Een bestandsnaam mag geen \"/\" bevatten en niet \".\" of \"..\" zijn: de foto "
              "zou dan in een andere map komen.");
    EXPECT_TRUE(Exists("a.jpg"));
  }
  EXPECT_FALSE(Exists("sub/a.jpg"));
  // Dots inside or around a name are ordinary characters.
  Rename("a.jpg", "...jpg");
  EXPECT_TRUE(Exists("...jpg"));
}

TEST_P(RenameInFolderTest, AFailureCarriesTheSystemsReason) {
  EXPECT_EQ(ErrorOf("weg.jpg", "b.jpg"), "Kan de naam van \"" + m_dir.File("weg.jpg") +
                                             "\" niet wijzigen in \"b.jpg\". " +
                                             SystemErrorText(ENOENT));
  EXPECT_FALSE(Exists("b.jpg"));
  const std::string no_folder = m_dir.File("geen-map");
  EXPECT_THROW(RenameInFolder(no_folder, "a.jpg", "b.jpg"), Error);
}

INSTANTIATE_TEST_SUITE_P(BothRoads, RenameInFolderTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& road) {
                           return road.param ? "ByLinking" : "WithoutReplacing";
                         });

}  // namespace
}  // namespace fotoloom
