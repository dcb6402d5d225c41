#include "core/convert/OutputNaming.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace fotoloom {
namespace {

std::tm At(int year, int month, int day, int hour, int minute, int second) {
  std::tm time{};
  time.tm_year = year - 1900;
  time.tm_mon = month - 1;
  time.tm_mday = day;
  time.tm_hour = hour;
  time.tm_min = minute;
  time.tm_sec = second;
  return time;
}

TNamingFields HolidayFields(bool include_name) {
  TNamingFields fields;
  fields.prefix = "vak_";
  fields.increment = 7;
  fields.appendix = "_klein";
  fields.include_name = include_name;
  return fields;
}

TEST(OutputNamingTest, WorkedExamples) {
  EXPECT_EQ(GeneratedName(HolidayFields(false), NameStem("IMG_0001.JPG"), 7), "vak_7_klein.jpg");
  EXPECT_EQ(GeneratedName(HolidayFields(true), NameStem("IMG_0001.JPG"), 7),
            "vak_IMG_00017_klein.jpg");
  EXPECT_EQ(UniqueName(3, At(2024, 3, 5, 9, 5, 7)), "202403059573.jpg");
}

struct StemCase {
  const char* file_name;
  const char* stem;
};

constexpr std::array<StemCase, 9> kStemCases{{
    {"IMG_0001.JPG", "IMG_0001"},
    {"README", "README"},
    {".foto", ""},
    {"my.photo.gif", "my.photo"},
    {"trailing.", "trailing"},
    {"", ""},
    {"/home/an/fotos/zee.jpg", "zee"},
    {"/home/an/my.fotos/zee", "zee"},  // a "." in a folder name is no extension
    {"/home/an/fotos/", ""},
}};

TEST(OutputNamingTest, NameStemDropsFolderAndLastExtension) {
  for (const StemCase& c : kStemCases) {
    EXPECT_EQ(NameStem(c.file_name), c.stem) << c.file_name;
  }
}

TEST(OutputNamingTest, GeneratedNamesCountWithoutPaddingOrSeparators) {
  TNamingFields plain;
  plain.increment = 1;
  int64_t counter = plain.increment;
  for (const char* expected : {"1.jpg", "2.jpg", "3.jpg"}) {
    EXPECT_EQ(PhotoName(TNamingMode::Generate, plain, "x.bmp", 0, counter), expected);
  }
  EXPECT_EQ(counter, 4);

  counter = -2;
  for (const char* expected : {"-2.jpg", "-1.jpg", "0.jpg", "1.jpg"}) {
    EXPECT_EQ(PhotoName(TNamingMode::Generate, plain, "x.bmp", 0, counter), expected);
  }

  // The extension field is taken as it is; the run makes every output end in ".jpg".
  TNamingFields upper;
  upper.extension = ".JPEG";
  EXPECT_EQ(GeneratedName(upper, "stem", 0), "0.JPEG");
  EXPECT_EQ(GeneratedName(upper, "stem", 1234567890123), "1234567890123.JPEG");
}

TEST(OutputNamingTest, DateTimeStampPadsOnlyMonthAndDay) {
  EXPECT_EQ(DateTimeStamp(At(2024, 12, 31, 23, 59, 59)), "20241231235959");
  EXPECT_EQ(DateTimeStamp(At(2024, 1, 2, 0, 0, 0)), "20240102000");
  // Unpadded hour, minute and second let two moments share a stamp.
  EXPECT_EQ(DateTimeStamp(At(2024, 3, 5, 9, 5, 17)), DateTimeStamp(At(2024, 3, 5, 9, 51, 7)));
}

TEST(OutputNamingTest, StampOfNowHasDateOfNow) {
  const std::time_t before = std::time(nullptr);
  const std::string stamp = DateTimeStamp();
  const std::string name = UniqueName(12);
  const std::time_t after = std::time(nullptr);
  std::tm first{}, last{};
  localtime_r(&before, &first);
  localtime_r(&after, &last);
  EXPECT_TRUE(stamp == DateTimeStamp(first) || stamp == DateTimeStamp(last)) << stamp;
  EXPECT_TRUE(name == UniqueName(12, first) || name == UniqueName(12, last)) << name;
}

TEST(OutputNamingTest, PhotoNameByMode) {
  const TNamingFields fields = HolidayFields(true);
  int64_t counter = 7;
  EXPECT_EQ(PhotoName(TNamingMode::Same, fields, "IMG_1.GIF", 4, counter), "IMG_1.GIF");
  EXPECT_EQ(counter, 7);
  const std::string unique = PhotoName(TNamingMode::Unique, fields, "IMG_1.GIF", 4, counter);
  EXPECT_TRUE(unique.ends_with("4.jpg")) << unique;
  EXPECT_EQ(counter, 7);
  EXPECT_EQ(PhotoName(TNamingMode::Generate, fields, "IMG_1.GIF", 4, counter),
            "vak_IMG_17_klein.jpg");
  EXPECT_EQ(counter, 8);
}

TEST(OutputNamingTest, JpegFileNameReplacesTheLastExtension) {
  for (const auto& [name, expected] : std::array<std::pair<const char*, const char*>, 6>{{
           {"IMG_1.GIF", "IMG_1.jpg"},
           {"README", "README.jpg"},
           {"my.photo.bmp", "my.photo.jpg"},
           {"vak_7_klein.JPEG", "vak_7_klein.jpg"},
           {".foto", ".jpg"},
           {"map.d/foto", "map.d/foto.jpg"},
       }}) {
    EXPECT_EQ(JpegFileName(name), expected) << name;
  }
}

TEST(OutputNamingTest, FilenameExampleShowsThePlaceholderWord) {
  TNamingFields fields;
  fields.prefix = "foto_";
  fields.include_name = true;
  EXPECT_EQ(FilenameExample(fields), "Voorbeeld: foto_bestandsnaam1.jpg");

  fields.include_name = false;
  fields.increment = 0;
  fields.appendix = "_web";
  fields.extension = ".JPG";
  EXPECT_EQ(FilenameExample(fields), "Voorbeeld: foto_0_web.JPG");
}

}  // namespace
}  // namespace fotoloom
