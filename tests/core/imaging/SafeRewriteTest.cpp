#include "core/imaging/SafeRewrite.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <set>

#include "core/base/Error.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

namespace fs = std::filesystem;
using test::FileNames;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

const std::vector<uint8_t> kOldBytes = {'o', 'l', 'd', ' ', 'p', 'h', 'o', 't', 'o'};
const std::vector<uint8_t> kNewBytes(64 * 1024, 0x5A);

mode_t ModeOf(const std::string& path) {
  struct stat info;
  EXPECT_EQ(::stat(path.c_str(), &info), 0);
  return info.st_mode & 07777;
}

std::string CannotCreate(const std::string& path, int error_number) {
  return "Cannot create file \"" + path + "\". " + std::strerror(error_number);
}

// The bodies of child processes: each exits 0 when the rewrite fails with the expected text.
[[noreturn]] void RewriteExpectingError(const std::string& photo, int error_number) {
  try {
    RewriteFile(photo, kNewBytes);
  } catch (const Error& e) {
    std::_Exit(e.what() == CannotCreate(photo, error_number) ? 0 : 1);
  }
  std::_Exit(2);
}

// A file size limit below the new content makes write() fail with EFBIG after a part of the
// bytes went out, as a full disk would.
[[noreturn]] void RewriteUnderFileSizeLimit(const std::string& photo) {
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{4096, 4096};
  if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) std::_Exit(3);
  RewriteExpectingError(photo, EFBIG);
}

// Permission bits only bind a user other than root: root gives that up first.
[[noreturn]] void RewriteAsOtherUser(const std::string& photo) {
  if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::_Exit(3);
  RewriteExpectingError(photo, EACCES);
}

TEST(SafeRewriteTest, ReplacesTheBytesAndKeepsThePermissionBits) {
  TempDir dir;
  for (const mode_t mode : {0640, 0604, 0755, 0600}) {
    const std::string photo = dir.File("photo.jpg");
    WriteFileBytes(photo, kOldBytes);
    ASSERT_EQ(::chmod(photo.c_str(), mode), 0);
    RewriteFile(photo, kNewBytes);
    EXPECT_EQ(ReadFileBytes(photo), kNewBytes);
    EXPECT_EQ(ModeOf(photo), mode) << std::oct << mode;
    EXPECT_EQ(FileNames(dir.Path()), std::set<std::string>{"photo.jpg"});
  }
}

TEST(SafeRewriteTest, NewFileGetsTheUsualPermissions) {
  TempDir dir;
  const mode_t old_mask = ::umask(027);
  RewriteFile(dir.File("new.jpg"), kNewBytes);
  ::umask(old_mask);
  EXPECT_EQ(ReadFileBytes(dir.File("new.jpg")), kNewBytes);
  EXPECT_EQ(ModeOf(dir.File("new.jpg")), 0640u);
}

TEST(SafeRewriteTest, ThroughASymbolicLinkTheLinkedPhotoIsReplaced) {
  TempDir dir;
  fs::create_directory(dir.File("real"));
  WriteFileBytes(dir.File("real/photo.jpg"), kOldBytes);
  fs::create_symlink("real/photo.jpg", dir.File("link.jpg"));
  RewriteFile(dir.File("link.jpg"), kNewBytes);
  EXPECT_TRUE(fs::is_symlink(dir.File("link.jpg")));
  EXPECT_EQ(ReadFileBytes(dir.File("real/photo.jpg")), kNewBytes);
  EXPECT_EQ(FileNames(dir.File("real")), std::set<std::string>{"photo.jpg"});
}

TEST(SafeRewriteTest, FailuresLeaveEverythingAsItWas) {
  TempDir dir;
  WriteFileBytes(dir.File("photo.jpg"), kOldBytes);
  fs::create_directory(dir.File("folder.jpg"));
  WriteFileBytes(dir.File("folder.jpg/inside"), kOldBytes);
  const struct {
    std::string path;
    int error_number;
  } cases[] = {
      {dir.File("folder.jpg"), EISDIR},            // the rename cannot replace a folder
      {dir.File("missing/photo.jpg"), ENOENT},     // no folder for the temporary file
      {dir.File("photo.jpg/photo.jpg"), ENOTDIR},  // the folder is a file
  };
  for (const auto& c : cases) {
    try {
      RewriteFile(c.path, kNewBytes);
      ADD_FAILURE() << c.path << " was written";
    } catch (const Error& e) {
      EXPECT_EQ(e.what(), CannotCreate(c.path, c.error_number));
    }
  }
  EXPECT_EQ(FileNames(dir.Path()), (std::set<std::string>{"photo.jpg", "folder.jpg"}));
  EXPECT_EQ(FileNames(dir.File("folder.jpg")), std::set<std::string>{"inside"});
  EXPECT_EQ(ReadFileBytes(dir.File("photo.jpg")), kOldBytes);
}

TEST(SafeRewriteTest, WriteFailingHalfwayLeavesTheOldPhoto) {
  TempDir dir;
  const std::string photo = dir.File("photo.jpg");
  WriteFileBytes(photo, kOldBytes);
  EXPECT_EXIT(RewriteUnderFileSizeLimit(photo), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFileBytes(photo), kOldBytes);
  EXPECT_EQ(FileNames(dir.Path()), std::set<std::string>{"photo.jpg"});
}

TEST(SafeRewriteTest, WriteProtectedPhotoOrFolderIsRefused) {
  TempDir dir;
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
  const struct {
    const char* folder;
    mode_t folder_mode;
    mode_t photo_mode;
  } cases[] = {
      {"protected-photo", 0777, 0444},
      {"protected-folder", 0555, 0666},
  };
  for (const auto& c : cases) {
    const std::string folder = dir.File(c.folder);
    const std::string photo = folder + "/photo.jpg";
    fs::create_directory(folder);
    WriteFileBytes(photo, kOldBytes);
    ASSERT_EQ(::chmod(photo.c_str(), c.photo_mode), 0);
    ASSERT_EQ(::chmod(folder.c_str(), c.folder_mode), 0);
    EXPECT_EXIT(RewriteAsOtherUser(photo), ::testing::ExitedWithCode(0), "") << c.folder;
    EXPECT_EQ(ReadFileBytes(photo), kOldBytes);
    EXPECT_EQ(FileNames(folder), std::set<std::string>{"photo.jpg"});
    ::chmod(folder.c_str(), 0755);
  }
}

TEST(SafeRewriteTest, JpegEncoderFailureTouchesNoFile) {
  TempDir dir;
  const std::string photo = dir.File("photo.jpg");
  WriteFileBytes(photo, kOldBytes);
  // libjpeg refuses a picture without pixels before any byte is written.
  EXPECT_THROW(RewriteJpegFile(photo, TBitmap32(), 90), Error);
  EXPECT_EQ(ReadFileBytes(photo), kOldBytes);
  EXPECT_EQ(FileNames(dir.Path()), std::set<std::string>{"photo.jpg"});
}

}  // namespace
}  // namespace fotoloom
