#include <gif_lib.h>
#include <gtest/gtest.h>

#include <bit>
#include <memory>
#include <string>
#include <vector>

#include "core/base/Error.h"
#include "core/imaging/codecs/Decoders.h"

namespace fotoloom {
namespace {

// One image of a GIF to write with giflib's own encoder: Frame(...), then At, Size, Local,
// Transparent or Interlaced.
struct TestFrame {
  std::vector<GifPixelType> pixels;  // lines in the order the file stores them
  int left = 1;
  int top = 1;
  int width = 2;
  int height = 2;
  std::vector<GifColorType> local_map;
  int transparent = NO_TRANSPARENT_COLOR;  // written as a Graphics Control Extension
  bool interlaced = false;

  TestFrame At(int x, int y) && {
    left = x;
    top = y;
    return std::move(*this);
  }
  TestFrame Size(int w, int h) && {
    width = w;
    height = h;
    return std::move(*this);
  }
  TestFrame Local(std::vector<GifColorType> map) && {
    local_map = std::move(map);
    return std::move(*this);
  }
  TestFrame Transparent(int index) && {
    transparent = index;
    return std::move(*this);
  }
  TestFrame Interlaced() && {
    interlaced = true;
    return std::move(*this);
  }
};

TestFrame Frame(std::vector<GifPixelType> pixels) {
  TestFrame frame;
  frame.pixels = std::move(pixels);
  return frame;
}

struct TestGif {
  std::vector<GifColorType> global_map;
  std::vector<TestFrame> frames;
  int width = 4;
  int height = 3;

  TestGif Screen(int w, int h) && {
    width = w;
    height = h;
    return std::move(*this);
  }
};

TestGif Gif(std::vector<GifColorType> global_map, std::vector<TestFrame> frames) {
  TestGif gif;
  gif.global_map = std::move(global_map);
  gif.frames = std::move(frames);
  return gif;
}

constexpr GifColorType kW{255, 255, 255}, kK{0, 0, 0}, kR{255, 0, 0}, kG{0, 255, 0}, kB{0, 0, 255},
    kY{255, 255, 0}, kC{0, 255, 255}, kM{255, 0, 255};

int AppendToVector(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

struct TMapFree {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using TMap = std::unique_ptr<ColorMapObject, TMapFree>;

TMap MakeMap(const std::vector<GifColorType>& colours) {
  if (colours.empty()) return nullptr;
  return TMap(GifMakeMapObject(static_cast<int>(colours.size()), colours.data()));
}

std::vector<uint8_t> EncodeGif(const TestGif& picture) {
  std::vector<uint8_t> out;
  int error = E_GIF_SUCCEEDED;
  GifFileType* gif = EGifOpen(&out, AppendToVector, &error);
  EXPECT_NE(gif, nullptr);
  if (!gif) return out;
  EGifSetGifVersion(gif, true);
  const TMap global = MakeMap(picture.global_map);
  bool ok = EGifPutScreenDesc(gif, picture.width, picture.height, 8, 0, global.get()) == GIF_OK;
  for (const TestFrame& frame : picture.frames) {
    if (frame.transparent != NO_TRANSPARENT_COLOR) {
      const GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, frame.transparent};
      GifByteType extension[4];
      const size_t length = EGifGCBToExtension(&control, extension);
      ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length),
                                  extension) == GIF_OK;
    }
    const TMap local = MakeMap(frame.local_map);
    ok = ok && EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height,
                                frame.interlaced, local.get()) == GIF_OK;
    std::vector<GifPixelType> pixels = frame.pixels;  // giflib may change the lines it writes
    for (int y = 0; ok && y < frame.height; ++y) {
      ok = EGifPutLine(gif, pixels.data() + y * frame.width, frame.width) == GIF_OK;
    }
  }
  ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
  EXPECT_TRUE(ok) << GifErrorString(error);
  return out;
}

// Cuts the global colour map to its first `count` entries (0: no map) and leaves the image
// data as encoded; giflib's writer refuses to produce such files.
void CutGlobalMap(std::vector<uint8_t>& gif, int count) {
  const int old_count = 2 << (gif[10] & 7);
  gif.erase(gif.begin() + 13 + 3 * count, gif.begin() + 13 + 3 * old_count);
  if (count == 0) {
    gif[10] &= 0x7F;
  } else {
    gif[10] = static_cast<uint8_t>((gif[10] & 0xF8) | (std::bit_width(unsigned(count)) - 2));
  }
}

void SetScreenSize(std::vector<uint8_t>& gif, int width, int height) {
  gif[6] = static_cast<uint8_t>(width);
  gif[7] = static_cast<uint8_t>(width >> 8);
  gif[8] = static_cast<uint8_t>(height);
  gif[9] = static_cast<uint8_t>(height >> 8);
}

TBitmap32 Decode(const std::vector<uint8_t>& gif) {
  // Behind a few other bytes: the decoder starts where the stream is.
  std::vector<uint8_t> bytes{'x', 'y', 'z'};
  bytes.insert(bytes.end(), gif.begin(), gif.end());
  TMemoryStream stream(std::move(bytes));
  stream.Seek(3);
  TBitmap32 bitmap;
  DecodeGif(stream, bitmap);
  return bitmap;
}

// The pixels as letters of kLetters, rows separated by '/'; '?' for any other colour.
std::string Letters(const TBitmap32& bitmap) {
  const struct {
    GifColorType colour;
    char letter;
  } kLetters[] = {{kW, 'W'}, {kK, 'K'}, {kR, 'R'}, {kG, 'G'},
                  {kB, 'B'}, {kY, 'Y'}, {kC, 'C'}, {kM, 'M'}};
  std::string text;
  for (int y = 0; y < bitmap.Height(); ++y) {
    if (y > 0) text += '/';
    for (int x = 0; x < bitmap.Width(); ++x) {
      char letter = '?';
      for (const auto& entry : kLetters) {
        const GifColorType& c = entry.colour;
        if (bitmap.At(x, y) == MakePixel(c.Red, c.Green, c.Blue)) letter = entry.letter;
      }
      text += letter;
    }
  }
  return text;
}

const std::vector<GifColorType> kKRGB{kK, kR, kG, kB};
TestFrame FirstImage() {
  return Frame({1, 2, 3, 0});
}

TEST(GifDecoderTest, DrawsTheFirstImageOnAWhiteScreen) {
  const struct {
    const char* name;
    TestGif gif;
    const char* letters;
  } cases[] = {
      {"image_at_1_1", Gif(kKRGB, {FirstImage()}), "WWWW/WRGW/WBKW"},
      {"transparent_index_is_white", Gif(kKRGB, {FirstImage().Transparent(1)}), "WWWW/WWGW/WBKW"},
      {"local_map_before_global", Gif(kKRGB, {FirstImage().Local({kY, kC, kM, kK})}),
       "WWWW/WCMW/WKYW"},
      {"local_map_alone", Gif({}, {FirstImage().Local({kY, kC, kM, kK})}), "WWWW/WCMW/WKYW"},
      {"clipped_at_right_and_bottom", Gif(kKRGB, {Frame({1, 2, 3, 3, 2, 1}).At(2, 2).Size(3, 2)}),
       "WWWW/WWWW/WWRG"},
      {"entirely_off_screen", Gif(kKRGB, {FirstImage().At(4, 0)}), "WWWW/WWWW/WWWW"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Letters(Decode(EncodeGif(c.gif))), c.letters);
  }
}

TEST(GifDecoderTest, IndexesPastTheColourMapAreBlack) {
  std::vector<uint8_t> gif = EncodeGif(Gif(kKRGB, {FirstImage()}));
  CutGlobalMap(gif, 2);
  EXPECT_EQ(Letters(Decode(gif)), "WWWW/WRKW/WKKW");
}

TEST(GifDecoderTest, InterlacedLinesLandOnTheirRows) {
  std::vector<GifColorType> grey_ramp;
  for (int i = 0; i < 16; ++i) {
    const auto level = static_cast<GifByteType>(i * 16);
    grey_ramp.push_back({level, level, level});
  }
  // The file stores rows 0, 8 | 4 | 2, 6 | 1, 3, 5, 7, 9; each row's index is its number.
  const TestFrame image = Frame({0, 8, 4, 2, 6, 1, 3, 5, 7, 9}).At(0, 0).Size(1, 10).Interlaced();
  // A screen shorter than the image cuts the lines below it.
  for (int screen_height : {10, 6}) {
    SCOPED_TRACE(screen_height);
    const TBitmap32 bitmap = Decode(EncodeGif(Gif(grey_ramp, {image}).Screen(1, screen_height)));
    ASSERT_EQ(bitmap.Height(), screen_height);
    for (int y = 0; y < screen_height; ++y) EXPECT_EQ(PixelRed(bitmap.At(0, y)), y * 16) << y;
  }
}

TEST(GifDecoderTest, LaterFramesAreNeitherDrawnNorRead) {
  // The second frame would cover the screen, and its transparency is its own.
  std::vector<uint8_t> gif = EncodeGif(Gif(
      kKRGB,
      {FirstImage(), Frame(std::vector<GifPixelType>(12, 2)).At(0, 0).Size(4, 3).Transparent(1)}));
  EXPECT_EQ(Letters(Decode(gif)), "WWWW/WRGW/WBKW");
  // Damage inside the second frame goes unnoticed.
  gif.resize(gif.size() - 4);
  EXPECT_EQ(Letters(Decode(gif)), "WWWW/WRGW/WBKW");
}

TEST(GifDecoderTest, DamagedOrHugeFilesThrow) {
  const std::vector<uint8_t> good = EncodeGif(Gif(kKRGB, {FirstImage()}));
  std::vector<uint8_t> no_map = good;
  CutGlobalMap(no_map, 0);
  std::vector<uint8_t> empty_screen = good;
  SetScreenSize(empty_screen, 0, 0);
  std::vector<uint8_t> huge_screen = good;
  SetScreenSize(huge_screen, 65535, 65535);
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    std::string error_start;
  } cases[] = {
      {"not_gif", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "GIF error: "},
      {"truncated_in_first_image", {good.begin(), good.end() - 4}, "GIF error: "},
      {"no_image", EncodeGif(Gif(kKRGB, {})), "GIF error: "},
      {"no_colour_map", no_map, "GIF error: "},
      {"empty_screen", empty_screen, "GIF error: "},
      {"huge_screen", huge_screen, "Picture is too large (65535 x 65535"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      Decode(c.bytes);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_TRUE(std::string(e.what()).starts_with(c.error_start)) << e.what();
    }
  }
}

}  // namespace
}  // namespace fotoloom
