#include "core/base/Stream.h"

#include <gtest/gtest.h>

#include "core/base/Error.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

TEST(StreamTest, MemoryAndFileStreamsReadSeekAndZeroFillAlike) {
  test::TempDir dir;
  std::vector<uint8_t> bytes(200000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
  test::WriteFileBytes(dir.File("data"), bytes);

  TMemoryStream memory(bytes);
  TFileStream file = TFileStream::OpenRead(dir.File("data"));
  for (TStream* stream : {static_cast<TStream*>(&memory), static_cast<TStream*>(&file)}) {
    uint8_t small[3];
    ASSERT_EQ(stream->Read(small, 3), 3u);
    EXPECT_EQ(small[2], 14);
    EXPECT_EQ(stream->Position(), 3);
    std::vector<uint8_t> big(100000);  // larger than the read buffer
    ASSERT_EQ(stream->Read(big.data(), big.size()), big.size());
    EXPECT_EQ(big[0], bytes[3]);
    EXPECT_EQ(stream->Position(), 100003);
    stream->Seek(2);
    ASSERT_EQ(stream->Read(small, 1), 1u);
    EXPECT_EQ(small[0], bytes[2]);
    stream->Seek(199998);
    uint8_t tail[4] = {9, 9, 9, 9};
    EXPECT_EQ(stream->ReadZeroFilled(tail, 4), 2u);
    EXPECT_EQ(tail[1], bytes[199999]);
    EXPECT_EQ(tail[2], 0);
    EXPECT_EQ(tail[3], 0);
  }
}

TEST(StreamTest, OpeningAMissingFileNamesTheFileAndTheReason) {
  try {
    TFileStream::OpenRead("/nonexistent/photo.jpg");
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Cannot open file \"/nonexistent/photo.jpg\". No such file or directory");
  }
}

}  // namespace
}  // namespace fotoloom
