#include "cli/ConvertCommand.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "core/imaging/Decoders.h"
#include "core/imaging/JpegWriter.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

struct CommandRun {
  int status;
  std::string out, err;
};

CommandRun Convert(std::vector<std::string> args) {
  args.insert(args.begin(), "fotoloom-convert");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  std::ostringstream out, err;
  const int status = RunConvertCommand(static_cast<int>(argv.size()), argv.data(), out, err);
  return {status, out.str(), err.str()};
}

void WritePhoto(const std::string& path, int width, int height) {
  TBitmap32 picture(width, height);
  picture.Fill(MakePixel(10, 200, 30));
  test::WriteFileBytes(path, EncodeJpeg(picture, 90));
}

TEST(ConvertCommandTest, ConvertsTheBatchAndReportsEachFailureOnItsOwn) {
  test::TempDir dir;
  WritePhoto(dir.File("one.jpg"), 120, 80);
  WritePhoto(dir.File("two.JPEG"), 80, 120);
  test::WriteFileBytes(dir.File("damaged.bmp"), {'B', 'M'});
  test::WriteFileBytes(dir.File("notes.jpg"), {'h', 'i'});
  const std::string target = dir.File("out/nested");
  const CommandRun run = Convert({"--width", "60", "--height=0", "--jobs", "2", "--target", target,
                                  dir.File("one.jpg"), dir.File("two.JPEG"),
                                  dir.File("damaged.bmp"), dir.File("notes.jpg")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(dir.File("damaged.bmp") + ": Bitmap image is not valid\n"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("warning: " + dir.File("notes.jpg")), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "Converted 2 of 4 photos into " + target + " (1 failed, 1 not a picture)\n");
  EXPECT_GT(std::filesystem::file_size(target + "/one.jpg"), 0u);
  EXPECT_GT(std::filesystem::file_size(target + "/two.jpg"), 0u);
  EXPECT_EQ(std::filesystem::file_size(target + "/damaged.jpg"), 0u);
  EXPECT_EQ(std::filesystem::file_size(target + "/notes.jpg"), 0u);
}

TEST(ConvertCommandTest, AFileThatIsNoPictureOnlyWarns) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("notes.jpg"), {'h', 'i'});
  const CommandRun run = Convert({"--target", dir.File("out"), dir.File("notes.jpg")});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("warning"), std::string::npos);
}

TEST(ConvertCommandTest, TwoSourcesWithTheSameOutputNameAreNotBothWritten) {
  test::TempDir dir;
  WritePhoto(dir.File("a.jpg"), 40, 30);
  std::filesystem::create_directory(dir.File("other"));
  WritePhoto(dir.File("other/a.jpg"), 30, 40);
  const CommandRun run =
      Convert({"--target", dir.File("out"), dir.File("a.jpg"), dir.File("other/a.jpg")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("would overwrite"), std::string::npos) << run.err;
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

  const CommandRun missing =
      Convert({"--logo", dir.File("gone.png"), "--target", dir.File("out"), dir.File("photo.jpg")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("Cannot open file \"" + dir.File("gone.png") + "\""),
            std::string::npos)
      << missing.err;
}

TEST(ConvertCommandTest, BadUsageExitsWithTwoAndSaysWhy) {
  struct UsageCase {
    std::vector<std::string> args;
    const char* says;
  };
  const std::vector<UsageCase> cases = {
      {{"photo.jpg"}, "--target DIR is missing"},
      {{"--target", "out"}, "No photo files given"},
      {{"--quality", "101", "--target", "out", "photo.jpg"}, "--quality needs a whole number"},
      {{"--width", "abc", "--target", "out", "photo.jpg"}, "--width needs a whole number"},
      {{"--width", "0", "--target", "out", "photo.jpg"}, "may not both be 0"},
      {{"--background", "blue", "--target", "out", "photo.jpg"},
       "'blue' is not a valid integer value"},
      {{"--colour", "x", "--target", "out", "photo.jpg"}, "Unknown option --colour"},
      {{"--target"}, "--target needs a value"},
      {{"--opacity", "256", "--target", "out", "photo.jpg"}, "--opacity needs a whole number"},
      {{"--font-size", "-1", "--target", "out", "photo.jpg"}, "--font-size needs a whole number"},
  };
  for (const UsageCase& c : cases) {
    SCOPED_TRACE(c.says);
    const CommandRun run = Convert(c.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
  }
  const CommandRun help = Convert({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: fotoloom-convert"), std::string::npos);
}

}  // namespace
}  // namespace fotoloom
