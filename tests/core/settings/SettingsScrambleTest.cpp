#include "core/settings/SettingsScramble.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace fotoloom {
namespace {

TEST(SettingsScrambleTest, PackingStage) {
  struct Case {
    const char* bytes;
    const char* packed;
  };
  for (const Case& c :
       std::array<Case, 4>{{{"", ""}, {"a", "hB"}, {"ab", "hJG"}, {"abc", "hJ2Y"}}}) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(PackSettingBytes(c.bytes), c.packed);
    EXPECT_EQ(UnpackSettingBytes(c.packed), c.bytes);
  }
  // A last group of one character adds nothing; characters outside the alphabet count as 0.
  EXPECT_EQ(UnpackSettingBytes("hJ2Yh"), "abc");
  EXPECT_EQ(UnpackSettingBytes("h"), "");
  EXPECT_EQ(UnpackSettingBytes("h*"), UnpackSettingBytes("hA"));
  EXPECT_EQ(PackSettingBytes(std::string("\xFF\xFF\xFF", 3)), "////");
}

TEST(SettingsScrambleTest, KnownScrambledValues) {
  struct Case {
    std::string plain;
    uint16_t key;
    const char* stored;
  };
  const std::array<Case, 5> cases{{
      {"", 0, ""},
      {"x", 0, "4B"},  // with key 0 the first byte passes unchanged
      {"abc", 0, "hF0w"},
      {"ftp.example.nl", 0, "m5UYwxQpLfVuw9JVIQG"},
      {"geheim", 0x1234, "196ugfE0"},
  }};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plain);
    EXPECT_EQ(ScrambleSetting(c.plain, c.key), c.stored);
    EXPECT_EQ(UnscrambleSetting(c.stored, c.key), c.plain);
  }
  EXPECT_EQ(ScrambleSetting(std::string("\x00\xFF", 2), 0xFFFF), "/LN");
}

TEST(SettingsScrambleTest, EveryByteStringRoundTrips) {
  std::string all_bytes;
  for (int b = 0; b < 256; ++b) all_bytes += static_cast<char>(b);
  for (const uint16_t key : {uint16_t{0}, uint16_t{1}, uint16_t{0x8000}, uint16_t{0xFFFF}}) {
    for (size_t length = 0; length <= all_bytes.size(); ++length) {
      const std::string plain = all_bytes.substr(all_bytes.size() - length);
      const std::string stored = ScrambleSetting(plain, key);
      ASSERT_EQ(stored.size(), 4 * (length / 3) + (length % 3 ? length % 3 + 1 : 0)) << length;
      ASSERT_EQ(UnscrambleSetting(stored, key), plain) << "key " << key << " length " << length;
    }
  }
}

}  // namespace
}  // namespace fotoloom
