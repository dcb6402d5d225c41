#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <thread>

#include "core/base/Error.h"
#include "core/imaging/ConvertImage.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "support/ErrorOf.h"
#include "support/RootRights.h"
#include "support/TempDir.h"
#include "support/TestJpeg.h"

namespace fotoloom {
namespace {

namespace fs = std::filesystem;

constexpr TColor kWhite = 0x00FFFFFF;

using test::ErrorOf;

// A whole JPEG: libjpeg decodes it to its last row without a warning.
bool IsWholeJpeg(const std::vector<uint8_t>& bytes) { return test::DecodesWhole(bytes); }

std::vector<std::string> HiddenFiles(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name[0] == '.') names.push_back(name);
  }
  return names;
}

class WholeOutputTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string Path(const std::string& name) { return dir.File(name); }

  void SetUp() override {
    TBitmap32 picture(900, 700);
    for (int y = 0; y < 700; ++y)
      for (int x = 0; x < 900; ++x)
        picture.At(x, y) = MakePixel(uint8_t(x * 7 + y), uint8_t(y * 3), uint8_t(x ^ y));
    test::WriteFileBytes(Path("photo.jpg"), EncodeJpeg(picture, 95));
  }

  void Convert(const std::string& dest) {
    ConvertImageFile(Path("photo.jpg"), dest, 800, 600, kWhite, 90);
  }
};

// Pipes and other files that are no files are refused at once: opening a pipe that no one
// writes would wait for ever.
TEST_F(WholeOutputTest, WhatIsNoRegularFileIsRefusedWithoutWaiting) {
  ASSERT_EQ(::mkfifo(Path("pipe.jpg").c_str(), 0644), 0);
  fs::create_directory(Path("folder.jpg"));
  EXPECT_EQ(ErrorOf([&] { ConvertImageFile(Path("pipe.jpg"), Path("out.jpg"), 80, 60, kWhite, 90); }),
            "Cannot open file \"" + Path("pipe.jpg") + "\". Not a regular file");
  EXPECT_EQ(ErrorOf([&] { ConvertImageFile("/dev/zero", Path("out.jpg"), 80, 60, kWhite, 90); }),
            "Cannot open file \"/dev/zero\". Not a regular file");
  EXPECT_EQ(ErrorOf([&] { Convert(Path("pipe.jpg")); }),
            "Cannot create file \"" + Path("pipe.jpg") + "\". Invalid argument");
  EXPECT_EQ(ErrorOf([&] { Convert(Path("folder.jpg")); }),
            "Cannot create file \"" + Path("folder.jpg") + "\". Is a directory");
  EXPECT_FALSE(fs::exists(Path("out.jpg")));
  EXPECT_TRUE(fs::is_fifo(Path("pipe.jpg")));
}

// A link at the output path is replaced by the photo; the file it pointed to stays as it was.
TEST_F(WholeOutputTest, ALinkAtTheOutputIsReplacedNotWrittenThrough) {
  test::WriteFileBytes(Path("victim.txt"), {'k', 'e', 'e', 'p'});
  ASSERT_EQ(::symlink(Path("victim.txt").c_str(), Path("s.jpg").c_str()), 0);
  Convert(Path("s.jpg"));
  EXPECT_EQ(test::ReadFileBytes(Path("victim.txt")), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
  EXPECT_FALSE(fs::is_symlink(Path("s.jpg")));
  EXPECT_TRUE(IsWholeJpeg(test::ReadFileBytes(Path("s.jpg"))));
  EXPECT_TRUE(HiddenFiles(dir.Path()).empty());
}

// A new output gets the usual mode of a new file, and a write-protected one is never
// replaced although its folder would allow it.
TEST_F(WholeOutputTest, ModesOfNewAndProtectedOutputs) {
  const mode_t old_mask = ::umask(022);
  Convert(Path("new.jpg"));
  ::umask(old_mask);
  EXPECT_EQ(fs::status(Path("new.jpg")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                fs::perms::others_read);
  test::WriteFileBytes(Path("protected.jpg"), {1, 2, 3});
  ASSERT_EQ(::chmod(Path("protected.jpg").c_str(), 0444), 0);
  // In a child that has given up root's rights over file modes, where the tests run as root.
  const std::string expected =
      "Cannot create file \"" + Path("protected.jpg") + "\". Permission denied";
  std::fflush(nullptr);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (!test::GiveUpRootFileRights()) ::_exit(2);
    const std::string error = ErrorOf([&] { Convert(Path("protected.jpg")); });
    if (error != expected) std::fprintf(stderr, "error: \"%s\"\n", error.c_str());
    ::_exit(error == expected ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "root's rights over file modes cannot be given up";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "expected: " << expected;
  EXPECT_EQ(test::ReadFileBytes(Path("protected.jpg")), (std::vector<uint8_t>{1, 2, 3}));
}

// Two processes write one target over and over while a third reads it: every read finds a
// whole JPEG, never two spliced into one.
TEST_F(WholeOutputTest, TwoWritersAndAReaderOnlyEverSeeWholeFiles) {
  const std::string target = Path("same.jpg");
  Convert(target);
  pid_t writers[2];
  for (pid_t& writer : writers) {
    writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
      for (int i = 0; i < 40; ++i) Convert(target);
      ::_exit(0);
    }
  }
  int reads = 0, broken = 0;
  for (int finished = 0; finished < 2;) {
    ++reads;
    if (!IsWholeJpeg(test::ReadFileBytes(target))) ++broken;
    int status = 0;
    for (pid_t& writer : writers) {
      if (writer > 0 && ::waitpid(writer, &status, WNOHANG) == writer) {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        writer = -1;
        ++finished;
      }
    }
  }
  EXPECT_EQ(broken, 0) << "of " << reads << " reads";
  EXPECT_TRUE(IsWholeJpeg(test::ReadFileBytes(target)));
  EXPECT_TRUE(HiddenFiles(dir.Path()).empty());
}

// A converter killed at any moment leaves the old output whole or a new whole one, and no
// half-written file, under its own name or a temporary one.
TEST_F(WholeOutputTest, AKillAtAnyMomentLeavesOnlyWholeOutputs) {
  for (int round = 0; round < 12; ++round) {
    const std::string target = Path("killed" + std::to_string(round % 3) + ".jpg");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (;;) Convert(target);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(3 + round * 7));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (fs::exists(target)) {
      EXPECT_TRUE(IsWholeJpeg(test::ReadFileBytes(target))) << target << " round " << round;
    }
  }
  // A kill between naming the new file and renaming it leaves that name behind (it happened
  // under AddressSanitizer); the file it names is whole all the same, and the next write of
  // the same output removes it.
  for (const std::string& name : HiddenFiles(dir.Path()))
    EXPECT_TRUE(IsWholeJpeg(test::ReadFileBytes(Path(name)))) << name;
  for (int i = 0; i < 3; ++i) {
    const std::string target = Path("killed" + std::to_string(i) + ".jpg");
    Convert(target);
    EXPECT_TRUE(IsWholeJpeg(test::ReadFileBytes(target))) << target;
  }
  EXPECT_TRUE(HiddenFiles(dir.Path()).empty());
}

}  // namespace
}  // namespace fotoloom
