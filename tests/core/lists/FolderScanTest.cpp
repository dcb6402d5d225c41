#include "core/lists/FolderScan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace fotoloom {
namespace {

namespace fs = std::filesystem;

// A tree with photos at every level, a hidden folder and files the scan passes over:
//   top/   b.jpg  A.JPG  .verborgen.gif  c.jpg2  d.png  e.txt  readme
//   top/2010/   x.bmp
//   top/2010/zomer/   y.jpeg
//   top/Alpha/   z.gif
//   top/.thumbs/   t.jpg
class FolderScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"2010/zomer", "Alpha", ".thumbs"}) {
      fs::create_directories(m_dir.File(folder));
    }
    for (const char* file :
         {"b.jpg", "A.JPG", ".verborgen.gif", "c.jpg2", "d.png", "e.txt", "readme", "2010/x.bmp",
          "2010/zomer/y.jpeg", "Alpha/z.gif", ".thumbs/t.jpg"}) {
      test::WriteFileBytes(m_dir.File(file), std::vector<uint8_t>(256));
    }
    m_top = m_dir.Path() + "/";
  }

  // The files the scan reports, relative to the top folder, in the order reported.
  std::vector<std::string> Scan(bool include_subfolders, TListedFiles& listed) {
    std::vector<std::string> found;
    ScanFolder(m_dir.Path(), include_subfolders, ",", listed, [&](std::vector<TListEntry> photos) {
      for (const TListEntry& photo : photos) {
        EXPECT_EQ(photo.size_text, "0,3 kB");
        EXPECT_EQ(photo.stored_name, photo.caption);
        found.push_back(photo.File().substr(m_top.size()));
      }
      return true;
    });
    return found;
  }

  test::TempDir m_dir;
  std::string m_top;
};

TEST_F(FolderScanTest, FilesFirstThenSubFoldersInNameOrder) {
  TListedFiles listed;
  EXPECT_EQ(Scan(true, listed),
            (std::vector<std::string>{".verborgen.gif", "A.JPG", "b.jpg", "c.jpg2", "d.png",
                                      "2010/x.bmp", "2010/zomer/y.jpeg", "Alpha/z.gif"}));
  EXPECT_TRUE(listed.Contains(m_top + "2010/zomer/", "y.jpeg"));
}

TEST_F(FolderScanTest, WithoutSubFoldersOnlyTheTopFolder) {
  TListedFiles listed;
  EXPECT_EQ(Scan(false, listed),
            (std::vector<std::string>{".verborgen.gif", "A.JPG", "b.jpg", "c.jpg2", "d.png"}));
}

TEST_F(FolderScanTest, ListedFilesAreSkippedWhateverTheirCase) {
  TListedFiles listed({FileEntry(m_top, "B.JPG", 0, "."),
                       FileEntry(m_top + "2010/", "X.BMP", 0, "."),
                       FileEntry(m_top + "ALPHA/", "z.gif", 0, ".")});
  EXPECT_EQ(Scan(true, listed), (std::vector<std::string>{".verborgen.gif", "A.JPG", "c.jpg2",
                                                          "d.png", "2010/zomer/y.jpeg"}));
  // A second scan finds everything listed already.
  EXPECT_TRUE(Scan(true, listed).empty());
}

TEST_F(FolderScanTest, NamesDifferingOnlyInCaseCountOnce) {
  test::WriteFileBytes(m_dir.File("a.jpg"), std::vector<uint8_t>(256));
  TListedFiles listed;
  const std::vector<std::string> found = Scan(false, listed);
  EXPECT_EQ(std::count(found.begin(), found.end(), "A.JPG"), 1);
  EXPECT_EQ(std::count(found.begin(), found.end(), "a.jpg"), 0);
}

TEST_F(FolderScanTest, LinkBackToAParentIsNotFollowedRound) {
  fs::create_directory_symlink(m_dir.Path(), m_dir.File("2010/zomer/terug"));
  fs::create_directory_symlink(m_dir.File("Alpha"), m_dir.File("2010/alfa"));
  TListedFiles listed;
  EXPECT_EQ(Scan(true, listed),
            (std::vector<std::string>{".verborgen.gif", "A.JPG", "b.jpg", "c.jpg2", "d.png",
                                      "2010/x.bmp", "2010/alfa/z.gif", "2010/zomer/y.jpeg"}));
}

TEST(FolderScanBatchTest, ReportsInBatchesAndStopsWhenTold) {
  test::TempDir dir;
  const size_t count = kScanBatchSize * 2 + 10;
  for (size_t i = 0; i < count; ++i) {
    test::WriteFileBytes(dir.File("foto" + std::to_string(1000 + i) + ".jpg"), {});
  }
  fs::create_directory(dir.File("sub"));
  test::WriteFileBytes(dir.File("sub/laatste.jpg"), {});

  std::vector<size_t> batches;
  TListedFiles listed;
  ScanFolder(dir.Path(), true, ".", listed, [&](std::vector<TListEntry> photos) {
    batches.push_back(photos.size());
    return true;
  });
  EXPECT_EQ(batches, (std::vector<size_t>{kScanBatchSize, kScanBatchSize, 10, 1}));

  // Stopping at the first report: the photos of later batches stay unlisted.
  TListedFiles stopped;
  std::vector<std::string> seen;
  ScanFolder(dir.Path(), true, ".", stopped, [&](std::vector<TListEntry> photos) {
    for (const TListEntry& photo : photos) seen.push_back(photo.caption);
    return false;
  });
  ASSERT_EQ(seen.size(), kScanBatchSize);
  EXPECT_EQ(seen.front(), "foto1000.jpg");
  EXPECT_TRUE(stopped.Contains(dir.Path() + "/", "foto1000.jpg"));
  EXPECT_FALSE(
      stopped.Contains(dir.Path() + "/", "foto" + std::to_string(1000 + kScanBatchSize) + ".jpg"));
  EXPECT_FALSE(stopped.Contains(dir.Path() + "/sub/", "laatste.jpg"));
}

TEST(FolderScanBatchTest, EveryFolderReportsSoThatAScanWithoutPhotosCanStop) {
  test::TempDir dir;
  for (const char* folder : {"a/b", "c"}) fs::create_directories(dir.File(folder));
  int reports = 0;
  TListedFiles listed;
  ScanFolder(dir.Path(), true, ".", listed, [&](std::vector<TListEntry> photos) {
    EXPECT_TRUE(photos.empty());
    return ++reports < 2;
  });
  EXPECT_EQ(reports, 2);

  reports = 0;
  ScanFolder(dir.File("missing"), true, ".", listed, [&](std::vector<TListEntry>) {
    ++reports;
    return true;
  });
  EXPECT_EQ(reports, 1);
}

}  // namespace
}  // namespace fotoloom
