#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/base/PendingFile.h"
#include "core/base/ReplaceFile.h"
#include "core/base/SystemError.h"
#include "core/base/TempName.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

namespace fs = std::filesystem;
using test::FileNames;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

const std::vector<uint8_t> kOld = {'o', 'l', 'd'};
const std::vector<uint8_t> kNew = {'n', 'e', 'w'};

void WriteAll(int fd, const std::vector<uint8_t>& bytes) {
  ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

void WriteWithPendingFile(const std::string& path) {
  TPendingFile file(path);
  file.Stream().Write(kNew.data(), kNew.size());
  file.Commit();
}

void WriteWithReplaceFile(const std::string& path) {
  ReplaceFileSafely(path, kNew, std::nullopt,
                    [&](int error_number) { return CannotCreateFileError(path, error_number); });
}

// Leaves what a writer of `target` killed between naming and renaming leaves: a whole file
// linked under a hidden name, and a file still being written under another one.
void LeaveWhatAKilledWriterLeaves(const std::string& target) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::string linked, created;
    const int unnamed = ::open(fs::path(target).parent_path().c_str(), O_TMPFILE | O_WRONLY, 0666);
    if (unnamed < 0 || ::write(unnamed, "whole", 5) != 5 ||
        !LinkTempBeside(unnamed, target, linked)) {
      std::_Exit(1);
    }
    const int named = CreateTempBeside(target, created);
    if (named < 0 || ::write(named, "ha", 2) != 2) std::_Exit(1);
    ::raise(SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the writer could not make its files";
}

// Both ways of writing a file clean up after a killed writer of the same file.
TEST(LeftoverTempFilesTest, WhatAKilledWriterLeftGoesWithTheNextWrite) {
  const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> writers = {
      {"pending file", WriteWithPendingFile}, {"safe replace", WriteWithReplaceFile}};
  for (const auto& [name, write] : writers) {
    SCOPED_TRACE(name);
    TempDir dir;
    const std::string target = dir.File("photo.jpg");
    WriteFileBytes(target, kOld);
    ASSERT_NO_FATAL_FAILURE(LeaveWhatAKilledWriterLeaves(target));
    ASSERT_EQ(FileNames(dir.Path()).size(), 3u);
    EXPECT_EQ(ReadFileBytes(target), kOld);

    write(target);
    EXPECT_EQ(FileNames(dir.Path()), std::set<std::string>{"photo.jpg"});
    EXPECT_EQ(ReadFileBytes(target), kNew);
  }
}

// Under the hidden names of the file being written, only regular files of ours that no live
// writer holds go; the hidden files of other names are not looked at.
TEST(LeftoverTempFilesTest, NothingElseIsRemoved) {
  TempDir dir;
  const std::string target = dir.File("photo.jpg");
  // Writers at work, one writing under a hidden name, one naming a whole file: their files
  // keep their names and can still be renamed into place.
  std::string named, linked;
  const int named_fd = CreateTempBeside(target, named);
  ASSERT_GE(named_fd, 0);
  const int linked_fd = ::open(dir.Path().c_str(), O_TMPFILE | O_WRONLY, 0666);
  ASSERT_GE(linked_fd, 0);
  ASSERT_TRUE(LinkTempBeside(linked_fd, target, linked));
  ASSERT_EQ(named, TempNameBeside(target, 0));
  ASSERT_EQ(linked, TempNameBeside(target, 1));
  WriteFileBytes(dir.File("victim.txt"), kOld);
  ASSERT_EQ(::symlink(dir.File("victim.txt").c_str(), TempNameBeside(target, 2).c_str()), 0);
  fs::create_directory(TempNameBeside(target, 3));
  const bool root = ::geteuid() == 0;
  if (root) {
    WriteFileBytes(TempNameBeside(target, 4), kOld);
    ASSERT_EQ(::chown(TempNameBeside(target, 4).c_str(), 65534, 65534), 0);
  }
  WriteFileBytes(TempNameBeside(target, 5), kOld);  // a leftover, to show the clean-up ran
  const std::vector<std::string> other_names = {
      ".photo.jpg.00000", ".photo.jpg.0000001", "photo.jpg.000005", ".photo.jpg.000005~",
      ".photo.jp.000005", ".other.jpg.000005", ".photo.jpg.AbC123"};
  for (const std::string& name : other_names) WriteFileBytes(dir.File(name), kOld);

  WriteWithPendingFile(target);

  EXPECT_EQ(ReadFileBytes(target), kNew);
  EXPECT_FALSE(fs::exists(TempNameBeside(target, 5)));
  EXPECT_TRUE(fs::is_symlink(TempNameBeside(target, 2)));
  EXPECT_EQ(ReadFileBytes(dir.File("victim.txt")), kOld);
  EXPECT_TRUE(fs::is_directory(TempNameBeside(target, 3)));
  if (root) {
    EXPECT_TRUE(fs::exists(TempNameBeside(target, 4)));
  }
  for (const std::string& name : other_names) EXPECT_TRUE(fs::exists(dir.File(name))) << name;
  for (const auto& [path, fd] : {std::pair{named, named_fd}, std::pair{linked, linked_fd}}) {
    WriteAll(fd, kOld);
    EXPECT_EQ(::rename(path.c_str(), target.c_str()), 0) << path;
    ::close(fd);
    EXPECT_EQ(ReadFileBytes(target), kOld);
  }
}

// Writers of one file in several processes clean up before each write, while the others'
// temporary files are at every stage between creation and rename: none is taken from under
// its writer, so every write succeeds and nothing is left.
TEST(LeftoverTempFilesTest, WritersOfOneFileKeepTheirOwnTemporaryFiles) {
  TempDir dir;
  const std::string target = dir.File("settings.ini");
  std::vector<pid_t> writers;
  for (int i = 0; i < 3; ++i) {
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
      try {
        for (int round = 0; round < 100; ++round) {
          WriteWithReplaceFile(target);
          WriteWithPendingFile(target);
        }
      } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        std::_Exit(1);
      }
      std::_Exit(0);
    }
    writers.push_back(writer);
  }
  for (const pid_t writer : writers) {
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(FileNames(dir.Path()), std::set<std::string>{"settings.ini"});
  EXPECT_EQ(ReadFileBytes(target), kNew);
}

}  // namespace
}  // namespace fotoloom
