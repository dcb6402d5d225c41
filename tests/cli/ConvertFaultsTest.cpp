#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "cli/ConverterProcess.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "support/RootRights.h"
#include "support/TempDir.h"
#include "support/TestJpeg.h"

namespace fotoloom {
namespace {

namespace fs = std::filesystem;

using test::ConverterExit;
using test::RunConverter;

// A flat photo gives a JPEG of a few kB, a noisy one of the same size a hundred times more.
void WritePhoto(const std::string& path, bool noisy) {
  TBitmap32 picture(600, 400);
  uint32_t random = 12345;
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < 600; ++x) {
      random = random * 1664525u + 1013904223u;
      picture.At(x, y) = noisy ? MakePixel(uint8_t(random >> 24), uint8_t(random >> 16),
                                           uint8_t(random >> 8))
                               : MakePixel(40, 90, 200);
    }
  }
  test::WriteFileBytes(path, EncodeJpeg(picture, 95));
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A write cut short (here by the limit on file sizes; the program ignores SIGXFSZ as a
// shell's ulimit -f with a trapped signal would, so the write returns EFBIG) fails that photo
// alone: the photos that fit are whole, the one that hit the limit leaves no part of a JPEG,
// and the batch goes on after it.
TEST(ConvertFaultsTest, AWriteCutShortFailsThatPhotoAloneAndTheBatchGoesOn) {
  test::TempDir dir;
  const std::vector<std::string> names = {"a.jpg", "b.jpg", "noisy.jpg", "c.jpg", "d.jpg"};
  std::vector<std::string> args = {"--jobs", "2", "--width", "600", "--target", dir.File("out")};
  for (const std::string& name : names) {
    WritePhoto(dir.File(name), name == "noisy.jpg");
    args.push_back(dir.File(name));
  }
  const ConverterExit run = RunConverter(args, [] {
    const rlimit limit{64 * 1024, 64 * 1024};
    return ::signal(SIGXFSZ, SIG_IGN) != SIG_ERR && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  });

  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(Contains(run.output, "Fout opgetreden met foto: " + dir.File("noisy.jpg") +
                                       " (Cannot write file \"" + dir.File("out/noisy.jpg") +
                                       "\". File too large)\n"))
      << run.output;
  EXPECT_TRUE(Contains(run.output, "Bezig met foto 5 van 5: " + dir.File("d.jpg") + "\n"))
      << run.output;
  EXPECT_TRUE(Contains(run.output, "4 van 5 foto's geschreven (1 mislukt, 0 overgeslagen, 0 niet "
                                   "bereikt)\n"))
      << run.output;
  EXPECT_EQ(FilesIn(dir.File("out")),
            (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg", "d.jpg", "noisy.jpg"}));
  for (const std::string name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) {
    EXPECT_TRUE(test::DecodesWhole(test::ReadFileBytes(dir.File("out/" + name)))) << name;
  }
  // A failed photo leaves its output empty.
  EXPECT_EQ(fs::file_size(dir.File("out/noisy.jpg")), 0u);
}

// Gives up root's rights over file modes, then checks that `folder` really refuses a new file.
bool CannotWriteInto(const std::string& folder) {
  if (!test::GiveUpRootFileRights()) return false;
  const int probe = ::open(folder.c_str(), O_TMPFILE | O_WRONLY, 0600);
  if (probe >= 0) ::close(probe);
  return probe < 0 && errno == EACCES;
}

// A target that cannot be written, given as an existing folder or as one still to be made in
// it: a clear error, nothing reported as written and nothing left behind. Root may write
// into any folder, so the converter runs without those rights.
TEST(ConvertFaultsTest, AReadOnlyTargetGivesAClearErrorAndNoSuccess) {
  test::TempDir dir;
  WritePhoto(dir.File("a.jpg"), false);
  WritePhoto(dir.File("b.jpg"), false);
  const std::string read_only = dir.File("read-only");
  fs::create_directory(read_only);
  ASSERT_EQ(::chmod(read_only.c_str(), 0555), 0);
  struct Case {
    std::string target;
    std::vector<std::string> expected;  // parts of the output
  } cases[] = {
      {read_only,
       {"Fout opgetreden met foto: " + dir.File("a.jpg") + " (Cannot create file \"" + read_only +
            "/a.jpg\". Permission denied)\n",
        "Fout opgetreden met foto: " + dir.File("b.jpg") + " (Cannot create file \"" + read_only +
            "/b.jpg\". Permission denied)\n",
        "0 van 2 foto's geschreven (2 mislukt, 0 overgeslagen, 0 niet bereikt)\n"}},
      {read_only + "/new",
       {"fotoloom-convert: Doelmap kan niet worden aangemaakt. Controleer of deze correct is "
        "ingevuld!\n"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    const ConverterExit run =
        RunConverter({"--target", c.target, dir.File("a.jpg"), dir.File("b.jpg")},
                     [&] { return CannotWriteInto(read_only); });
    if (run.status == test::kCannotSetUp) GTEST_SKIP() << "the folder cannot be made read-only";
    EXPECT_EQ(run.status, 1) << run.output;
    for (const std::string& part : c.expected) EXPECT_TRUE(Contains(run.output, part)) << run.output;
    EXPECT_FALSE(Contains(run.output, "Bezig met foto")) << run.output;
    EXPECT_TRUE(FilesIn(read_only).empty());
  }
}

}  // namespace
}  // namespace fotoloom
