#include "core/lists/AddFileEntries.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "core/lists/NamePattern.h"
#include "core/lists/PhotoExtensions.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

std::vector<std::string> Captions(const std::vector<TListEntry>& entries) {
  std::vector<std::string> captions;
  for (const TListEntry& entry : entries) captions.push_back(entry.caption);
  return captions;
}

struct PatternCase {
  const char* name;
  const char* pattern;
  bool matches;
};

constexpr std::array<PatternCase, 19> kPatternCases{{
    {"foto.jpg", "foto.jpg", true},
    {"foto.jpg", "Foto.jpg", false},  // names differ in case on this file system
    {"foto.jpg", "*", true},
    {"foto.jpg", "*.jpg", true},
    {".jpg", "*.jpg", true},  // hidden names match too
    {"foto.jpg", "f?to.*", true},
    {"foto.jpg", "f?o.jpg", false},
    {"fo.jpg", "fo?.jpg", false},  // "?" is exactly one character
    {"été.jpg", "?t?.jpg", true},
    {"a.b.c.jpg", "*.*.jpg", true},
    {"abcabd", "*abd", true},
    {"abcabd", "*ab", false},
    {"abc", "a**c", true},
    {"", "*", true},
    {"", "?", false},
    {"foto[1].jpg", "foto[1].jpg", true},  // brackets are plain characters
    {"foto1.jpg", "foto[1].jpg", false},
    // A Latin-1 name: its bytes above 127 after a letter look like a UTF-8 character's tail.
    {"10\xb0.jpg", "*\xb0.jpg", true},
    {"aa\xae\xae\xae\xae\xae\xae\xae\xae" "a", "*a*\xae*a", true},
}};

TEST(NamePatternTest, StarAndQuestionMarkOnly) {
  for (const PatternCase& c : kPatternCases) {
    EXPECT_EQ(MatchesNamePattern(c.name, c.pattern), c.matches) << c.name << " ~ " << c.pattern;
  }
}

TEST(PhotoExtensionsTest, ExactTestAndContainsTest) {
  struct Case {
    const char* name;
    bool exact;
    bool contains;
  };
  for (const Case& c : std::array<Case, 19>{{
           {"a.jpg", true, true},       {"a.JPG", true, true},         {"a.Jpeg", true, true},
           {"a.gif", true, true},       {"a.BMP", true, true},         {"a.jpg2", false, true},
           {"a.PNG", true, true},       {"a.txt", false, false},       {"jpg", false, false},
           {"a.jpg.txt", false, false}, {"a.tar.xjpegx", false, true}, {"a.HEIC", true, true},
           {"a.heif", true, true},      {"a.avif", true, true},        {"a.WebP", true, true},
           {"a.tif", true, true},       {"a.TIFF", true, true},        {"a.tiff2", false, true},
           {"a.heics", false, true},
       }}) {
    EXPECT_EQ(HasPhotoExtension(c.name), c.exact) << c.name;
    EXPECT_EQ(ContainsPhotoExtension(c.name), c.contains) << c.name;
  }
}

class AddFileEntriesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"b.JPG", "a.jpeg", "c.Jpg", "d.gif", "e.bmp", "f.png", "g.jpg2",
                             ".hidden.jpg", "noext"}) {
      test::WriteFileBytes(m_dir.File(name), std::vector<uint8_t>(1536));
    }
    std::filesystem::create_directory(m_dir.File("x.jpg"));
    std::filesystem::create_symlink("b.JPG", m_dir.File("link.jpg"));
    std::filesystem::create_symlink("missing.jpg", m_dir.File("broken.jpg"));
  }

  test::TempDir m_dir;
};

TEST_F(AddFileEntriesTest, TakesPhotoFilesOnlyInNameOrder) {
  EXPECT_EQ(Captions(AddFileEntries(m_dir.Path(), "*", ".")),
            (std::vector<std::string>{".hidden.jpg", "a.jpeg", "b.JPG", "c.Jpg", "d.gif", "e.bmp",
                                      "f.png", "link.jpg"}));
  EXPECT_EQ(Captions(AddFileEntries(m_dir.Path() + "/", "?.*", ".")),
            (std::vector<std::string>{"a.jpeg", "b.JPG", "c.Jpg", "d.gif", "e.bmp", "f.png"}));
}

TEST_F(AddFileEntriesTest, PlainNameFindsThatFileOnly) {
  const std::vector<TListEntry> entries = AddFileEntries(m_dir.Path(), "b.JPG", ",");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].caption, "b.JPG");
  EXPECT_EQ(entries[0].stored_name, "b.JPG");
  EXPECT_EQ(entries[0].folder, m_dir.Path() + "/");
  EXPECT_EQ(entries[0].size_text, "1,5 kB");
  EXPECT_FALSE(entries[0].checked);

  // Another case, a folder, another type, a broken link, a path, or nothing: no entry.
  for (const char* pattern :
       {"B.jpg", "x.jpg", "noext", "g.jpg2", "broken.jpg", "missing.jpg", "../b.JPG", "", "."}) {
    EXPECT_TRUE(AddFileEntries(m_dir.Path(), pattern, ".").empty()) << pattern;
  }
}

TEST_F(AddFileEntriesTest, NoDuplicateTestAndNoAccessTest) {
  chmod(m_dir.File("a.jpeg").c_str(), 0);
  std::vector<TListEntry> list = AddFileEntries(m_dir.Path(), "a.jpeg", ".");
  const std::vector<TListEntry> again = AddFileEntries(m_dir.Path(), "a.jpeg", ".");
  list.insert(list.end(), again.begin(), again.end());
  EXPECT_EQ(Captions(list), (std::vector<std::string>{"a.jpeg", "a.jpeg"}));
}

TEST(AddFileEntriesMissingFolderTest, YieldsNothing) {
  test::TempDir dir;
  EXPECT_TRUE(AddFileEntries(dir.File("gone"), "*", ".").empty());
  EXPECT_TRUE(AddFileEntries(dir.File("gone"), "a.jpg", ".").empty());
}

}  // namespace
}  // namespace fotoloom
