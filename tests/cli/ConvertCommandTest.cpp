#include "cli/ConvertCommand.h"

#include <stdlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "core/imaging/codecs/Decoders.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "support/MemoryLimit.h"
#include "support/TempDir.h"
#include "support/TestPhotoFormats.h"

namespace fotoloom {
namespace {

namespace fs = std::filesystem;

struct CommandRun {
  int status;
  std::string out, err;
};

// Runs the command; `answers` is what a user types at a terminal (none: no terminal).
CommandRun Convert(const std::vector<std::string>& args, const char* answers = nullptr) {
  std::istringstream in(answers ? answers : "");
  std::ostringstream out, err;
  TConsole console{in, out, err, answers != nullptr, false};
  TRunGate gate;
  const int status = RunConvertCommand(args, console, gate);
  return {status, out.str(), err.str()};
}

void WritePhoto(const std::string& path, int width, int height) {
  TBitmap32 picture(width, height);
  picture.Fill(MakePixel(10, 200, 30));
  test::WriteFileBytes(path, EncodeJpeg(picture, 90));
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(ConvertCommandTest, ConvertsFilesAndFoldersAndReportsEachFailureOnItsOwn) {
  test::TempDir dir;
  WritePhoto(dir.File("one.jpg"), 120, 80);
  fs::create_directories(dir.File("album/deeper"));
  WritePhoto(dir.File("album/two.JPEG"), 80, 120);
  WritePhoto(dir.File("album/deeper/three.gif.jpg"), 80, 120);
  test::WriteFileBytes(dir.File("damaged.bmp"), {'B', 'M'});
  test::WriteFileBytes(dir.File("notes.jpg"), {'h', 'i'});
  const std::string target = dir.File("out/nested");
  const CommandRun run = Convert({"--width", "60", "--height=0", "--jobs", "2", "-r", "--target",
                                  target, dir.File("one.jpg"), dir.File("album"),
                                  dir.File("damaged.bmp"), dir.File("notes.jpg")});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.out, "Bezig met foto 1 van 5: " + dir.File("one.jpg") + "\n"));
  EXPECT_TRUE(Contains(run.out, "Fout opgetreden met foto: " + dir.File("damaged.bmp") +
                                    " (Bitmap image is not valid)\n"))
      << run.out;
  // A text file named .jpg is no photo: skipped, with no empty copy left behind.
  EXPECT_TRUE(Contains(run.out, "Geen foto, overgeslagen: " + dir.File("notes.jpg") + "\n"))
      << run.out;
  EXPECT_TRUE(Contains(run.out,
                       "Converteren is voltooid!\n3 van 5 foto's geschreven "
                       "(1 mislukt, 1 overgeslagen, 0 niet bereikt)"))
      << run.out;
  EXPECT_GT(fs::file_size(target + "/two.jpg"), 0u);
  EXPECT_GT(fs::file_size(target + "/three.gif.jpg"), 0u);
  EXPECT_FALSE(fs::exists(target + "/notes.jpg"));
}

TEST(ConvertCommandTest, AFolderOfPhoneAndScannerPhotosIsConverted) {
  test::TempDir dir;
  fs::create_directories(dir.File("phone"));
  std::vector<uint8_t> rgba;
  for (int i = 0; i < 64 * 48; ++i) rgba.insert(rgba.end(), {30, 90, 200, 255});
  test::WriteFileBytes(dir.File("phone/IMG_1.HEIC"), test::MakeTestHeif(rgba, 64, 48, false));
  test::WriteFileBytes(dir.File("phone/IMG_2.avif"), test::MakeTestHeif(rgba, 64, 48, true));
  test::WriteFileBytes(dir.File("phone/web.webp"), test::MakeTestWebp(rgba, 64, 48));
  test::WriteFileBytes(dir.File("phone/scan.tiff"), test::MakeTestTiff(rgba, 64, 48));
  test::WriteFileBytes(dir.File("phone/notes.txt"), {'h', 'i'});
  const std::string target = dir.File("out");
  const CommandRun run =
      Convert({"--width", "32", "--height=0", "--target", target, dir.File("phone")});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_TRUE(Contains(run.out, "4 van 4 foto's geschreven")) << run.out;
  for (const char* name : {"IMG_1.jpg", "IMG_2.jpg", "web.jpg", "scan.jpg"})
    EXPECT_GT(fs::file_size(target + "/" + name), 0u) << name;
}

TEST(ConvertCommandTest, ExistingPhotosAreAskedSkippedOrOverwritten) {
  test::TempDir dir;
  WritePhoto(dir.File("a.jpg"), 40, 30);
  WritePhoto(dir.File("b.jpg"), 40, 30);
  fs::create_directories(dir.File("out"));
  test::WriteFileBytes(dir.File("out/a.jpg"), {'o', 'l', 'd'});
  const std::vector<std::string> args = {"--target", dir.File("out"), dir.File("a.jpg"),
                                         dir.File("b.jpg")};

  // Without a terminal "ask" skips, says so, and the exit status tells.
  CommandRun run = Convert(args);
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.err, "overgeslagen, bestaat al: " + dir.File("out") + "/a.jpg"))
      << run.err;
  EXPECT_EQ(fs::file_size(dir.File("out/a.jpg")), 3u);

  // At a terminal: an unknown answer asks again, "a" cancels before anything is written.
  fs::remove(dir.File("out/b.jpg"));
  run = Convert(args, "x\na\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.out, "Converteren is geannuleerd!")) << run.out;
  EXPECT_FALSE(fs::exists(dir.File("out/b.jpg")));

  // "j" overwrites this one and every later one.
  run = Convert(args, "j\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_GT(fs::file_size(dir.File("out/a.jpg")), 3u);
  run = Convert(
      {"--overwrite", "all", "--target", dir.File("out"), dir.File("a.jpg"), dir.File("b.jpg")});
  EXPECT_EQ(run.status, 0);
}

TEST(ConvertCommandTest, NewNamesSubFoldersAndProfilesFromTheSettingsFile) {
  test::TempDir dir;
  fs::create_directories(dir.File("config/Fotoloom"));
  test::WriteFileBytes(dir.File("config/Fotoloom/fotoloom.crp"), [] {
    const std::string ini =
        "[Settings]\nExportmap=/tmp\n[Klein]\nFoto_breedte=32\nFoto_hoogte=24\n";
    return std::vector<uint8_t>(ini.begin(), ini.end());
  }());
  ::setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1);
  WritePhoto(dir.File("a.jpg"), 400, 300);
  WritePhoto(dir.File("b.bmp.jpg"), 400, 300);
  const CommandRun run =
      Convert({"--profile", "klein", "--subfolder", "web", "--names", "new", "--prefix",
               "vakantie_", "--counter", "7", dir.File("a.jpg"), dir.File("b.bmp.jpg")});
  ::unsetenv("XDG_CONFIG_HOME");
  ASSERT_EQ(run.status, 0) << run.err;
  TFileStream file = TFileStream::OpenRead(dir.File("web/vakantie_8.jpg"));
  TBitmap32 out;
  DecodeJpeg(file, out);
  EXPECT_EQ(out.Width(), 32);
  EXPECT_EQ(out.Height(), 24);
  EXPECT_TRUE(fs::exists(dir.File("web/vakantie_7.jpg")));
}

TEST(ConvertCommandTest, LogoAndTextOptionsDrawOntoEveryPhoto) {
  test::TempDir dir;
  WritePhoto(dir.File("photo.jpg"), 300, 200);
  TBitmap32 logo(40, 20);
  logo.Fill(MakePixel(0, 0, 255));
  test::WriteFileBytes(dir.File("logo.jpg"), EncodeJpeg(logo, 100));
  const CommandRun run =
      Convert({"--width", "200", "--height", "100", "--logo", dir.File("logo.jpg"), "--opacity",
               "255", "--text", "\u00a9 Fotoloom", "--font-size", "22", "--target", dir.File("out"),
               dir.File("photo.jpg")});
  ASSERT_EQ(run.status, 0) << run.err;
  TFileStream file = TFileStream::OpenRead(dir.File("out/photo.jpg"));
  TBitmap32 out;
  DecodeJpeg(file, out);
  ASSERT_EQ(out.Width(), 200);
  EXPECT_GT(PixelBlue(out.At(170, 80)), 230);  // the logo covers x 150..189, y 70..89
  EXPECT_LT(PixelGreen(out.At(170, 80)), 25);
  int white = 0;  // the text starts at x 20, its line's top at y 64
  for (int y = 64; y < 100; ++y)
    for (int x = 20; x < 140; ++x) white += PixelRed(out.At(x, y)) > 220;
  EXPECT_GT(white, 50);

  const CommandRun missing = Convert(
      {"--logo", dir.File("gone.png"), "--target", dir.File("other"), dir.File("photo.jpg")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(Contains(missing.out, "Cannot open file \"" + dir.File("gone.png") + "\""))
      << missing.out;
}

// A name with a line break stays on one log line; "-j1" is "-j 1".
TEST(ConvertCommandTest, ControlCharactersInNamesAreShownEscaped) {
  test::TempDir dir;
  WritePhoto(dir.File("twee\nregels.jpg"), 40, 30);
  const CommandRun run = Convert({"-j1", "--target", dir.File("uit"), dir.File("twee\nregels.jpg")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Contains(run.out + run.err, "twee\\nregels.jpg")) << run.out << run.err;
  EXPECT_TRUE(fs::exists(dir.File("uit/twee\nregels.jpg")));
}

TEST(ConvertCommandTest, BadUsageExitsWithTwoAndSaysWhy) {
  struct UsageCase {
    std::vector<std::string> args;
    const char* says;
  };
  const std::vector<UsageCase> cases = {
      {{"photo.jpg"}, "geef een doel"},
      {{"--target", "a", "--same-folder", "photo.jpg"}, "geef maar een doel"},
      {{"--target", "out"}, "geen foto's of mappen gegeven"},
      {{"--quality", "101", "--target", "out", "photo.jpg"}, "--quality verwacht een geheel getal"},
      {{"--width", "abc", "--target", "out", "photo.jpg"}, "--width verwacht een geheel getal"},
      {{"--width", "0", "--target", "out", "photo.jpg"}, "breedte en hoogte zijn allebei 0"},
      {{"--width", "00", "--height", "0", "--target", "out", "photo.jpg"},
       "breedte en hoogte zijn allebei 0"},
      {{"--prefix", "../x_", "--names", "new", "--target", "out", "photo.jpg"},
       "--prefix mag geen '/' bevatten"},
      {{"--appendix", "a/b", "--target", "out", "photo.jpg"}, "--appendix mag geen '/' bevatten"},
      {{"--subfolder", "../buiten", "photo.jpg"}, "--subfolder mag geen '/' bevatten"},
      {{"-j0", "--target", "out", "photo.jpg"}, "--jobs verwacht een geheel getal"},
      {{"--background", "blue", "--target", "out", "photo.jpg"},
       "'blue' is not a valid integer value"},
      {{"--names", "fancy", "--target", "out", "photo.jpg"}, "onbekende keuze 'fancy'"},
      {{"--opacity", "256", "--target", "out", "photo.jpg"}, "--opacity verwacht een geheel getal"},
      {{"--colour", "x", "--target", "out", "photo.jpg"}, "onbekende optie --colour"},
      {{"--target"}, "--target verwacht een waarde"},
  };
  for (const UsageCase& c : cases) {
    SCOPED_TRACE(c.says);
    const CommandRun run = Convert(c.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Contains(run.err, c.says)) << run.err;
  }
  const CommandRun help = Convert({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(Contains(help.out, "Gebruik: fotoloom-convert"));
}

// No thread to be had for the workers (a tight address-space limit): a message and exit
// status 1, not std::terminate.
TEST(ConvertCommandTest, AFaultOutsideThePhotosEndsWithAMessageAndStatusOne) {
  if (test::UnderSanitizer()) GTEST_SKIP() << "an address-space limit does not work here";
  test::TempDir dir;
  WritePhoto(dir.File("one.jpg"), 120, 80);
  const int status = test::RunWithMemoryLimit(16 << 20, [&] {
    const CommandRun run = Convert(
        {"--width", "60", "--jobs", "64", "--target", dir.File("out"), dir.File("one.jpg")});
    if (run.status != 1) return 10 + run.status;
    return Contains(run.err, "fotoloom-convert: ") && Contains(run.err, "afgebroken") ? 0 : 2;
  });
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace fotoloom
