#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/imaging/codecs/JpegWriter.h"
#include "support/TempDir.h"

extern char** environ;

namespace fotoloom {
namespace {

namespace fs = std::filesystem;

bool IsWholeJpeg(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return bytes.size() > 4 && bytes.compare(0, 2, "\xFF\xD8") == 0 &&
         bytes.compare(bytes.size() - 2, 2, "\xFF\xD9") == 0;
}

size_t CountFiles(const std::string& folder) {
  if (!fs::exists(folder)) return 0;
  size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++count;
  return count;
}

// SIGTERM, as a desktop session or a service manager sends it, stops fotoloom-convert like
// Ctrl+C: after the photo being converted, with its summary, and only whole outputs.
TEST(ConvertSignalsTest, SigtermStopsAfterThePhotoBeingConverted) {
  test::TempDir dir;
  fs::create_directory(dir.File("in"));
  TBitmap32 picture(1600, 1200);
  for (int y = 0; y < 1200; ++y)
    for (int x = 0; x < 1600; ++x) picture.At(x, y) = MakePixel(uint8_t(x), uint8_t(y), uint8_t(x ^ y));
  const std::vector<uint8_t> jpeg = EncodeJpeg(picture, 95);
  constexpr int kPhotos = 60;
  for (int i = 0; i < kPhotos; ++i) {
    std::ofstream(dir.File("in/p" + std::to_string(100 + i) + ".jpg"), std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
  }
  const std::string out = dir.File("out");
  const std::string err = dir.File("err.txt");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT, 0600);
  std::vector<std::string> args = {FOTOLOOM_CONVERT_PROGRAM, "-j1", "--width", "1600",
                                   "--target", out, dir.File("in")};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (CountFiles(out) == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_GT(CountFiles(out), 0u);
  ::kill(child, SIGTERM);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);

  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  std::ifstream messages(err);
  std::stringstream text;
  text << messages.rdbuf();
  EXPECT_NE(text.str().find("stoppen na de foto's die al worden omgezet"), std::string::npos)
      << text.str();
  EXPECT_LT(CountFiles(out), static_cast<size_t>(kPhotos));
  for (const auto& entry : fs::directory_iterator(out)) {
    EXPECT_TRUE(IsWholeJpeg(entry.path().string())) << entry.path();
  }
}

}  // namespace
}  // namespace fotoloom
