#include "core/lists/ListEntry.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace fotoloom {
namespace {

struct SizeCase {
  uint64_t bytes;
  const char* text;
};

constexpr std::array<SizeCase, 12> kSizeCases{{
    {0, "0.0 kB"},
    {50, "0.0 kB"},   // 0.049 kB
    {51, "0.0 kB"},   // 0.0498 kB
    {52, "0.1 kB"},   // 0.0508 kB
    {256, "0.3 kB"},  // 0.25 exactly: halves go up
    {1023, "1.0 kB"},
    {1024, "1.0 kB"},
    {1536, "1.5 kB"},
    {2047, "2.0 kB"},
    {1280 + 1024 * 99, "100.3 kB"},  // 100.25
    {5368709120, "5242880.0 kB"},    // 5 GiB: no thousands separator
    {UINT64_MAX, "18014398509481984.0 kB"},
}};

TEST(ListEntryTest, SizeTextInTenthsOfKilobytes) {
  for (const SizeCase& c : kSizeCases) {
    EXPECT_EQ(SizeText(c.bytes, "."), c.text) << c.bytes;
  }
}

TEST(ListEntryTest, SizeTextUsesTheGivenDecimalSeparator) {
  EXPECT_EQ(SizeText(1536, ","), "1,5 kB");
  EXPECT_EQ(SizeText(1536, "\u066B"), "1\u066B5 kB");
}

TEST(ListEntryTest, FileEntryNamesTheFileTwice) {
  const TListEntry entry = FileEntry("/fotos/", "zee.jpg", 2048, ".");
  EXPECT_EQ(entry.caption, "zee.jpg");
  EXPECT_EQ(entry.stored_name, "zee.jpg");
  EXPECT_EQ(entry.size_text, "2.0 kB");
  EXPECT_EQ(entry.File(), "/fotos/zee.jpg");
  EXPECT_FALSE(entry.checked);
}

}  // namespace
}  // namespace fotoloom
