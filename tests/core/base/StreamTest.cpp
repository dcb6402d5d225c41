#include "core/base/Stream.h"

#include <gtest/gtest.h>

#include "core/base/CancellableStream.h"
#include "core/base/Cancelled.h"
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

// The stop is no Error: code that recovers from damaged data must not swallow it.
TEST(StreamTest, ACancellableStreamReadsUntilItsFlagIsSetThenThrowsCancelled) {
  TMemoryStream memory(std::vector<uint8_t>{1, 2, 3, 4});
  std::atomic<bool> stop{false};
  TCancellableStream stream(memory, stop);
  uint8_t byte = 0;
  EXPECT_EQ(stream.Read(&byte, 1), 1u);
  EXPECT_EQ(byte, 1);
  EXPECT_FALSE(stream.CancelRequested());
  EXPECT_NO_THROW(stream.ThrowIfCancelled());
  stop = true;
  EXPECT_TRUE(stream.CancelRequested());
  EXPECT_THROW(stream.Read(&byte, 1), Cancelled);
  EXPECT_THROW(stream.ThrowIfCancelled(), Cancelled);
  EXPECT_EQ(stream.Position(), 1);
  EXPECT_FALSE(memory.CancelRequested());
}

}  // namespace
}  // namespace fotoloom
