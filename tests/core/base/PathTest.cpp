#include "core/base/Path.h"

#include <gtest/gtest.h>

namespace fotoloom {
namespace {

TEST(PathTest, IncludeTrailingSeparatorAddsOneOnlyWhenMissing) {
  EXPECT_EQ(IncludeTrailingSeparator("/home/an/fotos"), "/home/an/fotos/");
  EXPECT_EQ(IncludeTrailingSeparator("/home/an/fotos/"), "/home/an/fotos/");
  EXPECT_EQ(IncludeTrailingSeparator("fotos.d"), "fotos.d/");
  EXPECT_EQ(IncludeTrailingSeparator(""), "/");
}

TEST(PathTest, FileExtensionStartsAtTheLastDotOfTheName) {
  EXPECT_EQ(FileExtension("IMG_1.JPG"), ".JPG");
  EXPECT_EQ(FileExtension("/a/my.photo.jpeg"), ".jpeg");
  EXPECT_EQ(FileExtension(".jpg"), ".jpg");
  EXPECT_EQ(FileExtension("name."), ".");
  EXPECT_EQ(FileExtension("README"), "");
  EXPECT_EQ(FileExtension("/a/b.d/README"), "");
}

}  // namespace
}  // namespace fotoloom
