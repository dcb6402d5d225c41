#include "core/imaging/TextOverlay.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <memory>
#include <mutex>

#include "core/base/Error.h"

namespace fotoloom {
namespace {

constexpr int kTextLeft = 20;
constexpr int kTextTopFromBottom = 36;
constexpr int kDefaultFontSize = 8;
constexpr int kMaxFontSize = 1000;

// The one place where a FreeType failure becomes our error.
Error FreeTypeError(const std::string& what, FT_Error code) {
  const char* text = FT_Error_String(code);
  return Error(what + " (" + (text ? text : "FreeType error " + std::to_string(code)) + ")");
}

struct TFontChoice {
  std::string file;
  int index = 0;
  bool embolden = false;  // the match has no bold face: embolden the regular one
};

TFontChoice FindFont() {
  const std::unique_ptr<FcConfig, decltype(&FcConfigDestroy)> config(FcInitLoadConfigAndFonts(),
                                                                     FcConfigDestroy);
  const std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> pattern(
      FcNameParse(reinterpret_cast<const FcChar8*>("Verdana:bold")), FcPatternDestroy);
  if (!config || !pattern) throw Error("Cannot find a font for the text (fontconfig fails)");
  FcConfigSubstitute(config.get(), pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  const std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> match(
      FcFontMatch(config.get(), pattern.get(), &result), FcPatternDestroy);
  FcChar8* file = nullptr;
  if (!match || FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch) {
    throw Error("Cannot find a font for the text: no fonts are installed");
  }
  TFontChoice choice;
  choice.file = reinterpret_cast<const char*>(file);
  FcPatternGetInteger(match.get(), FC_INDEX, 0, &choice.index);
  FcBool embolden = FcFalse;
  FcPatternGetBool(match.get(), FC_EMBOLDEN, 0, &embolden);
  choice.embolden = embolden == FcTrue;
  return choice;
}

// The font, found and loaded once per process. An FT_Face serves one thread at a time, so
// drawing holds the mutex; a line of text takes well under a millisecond.
struct TTextFont {
  std::unique_ptr<FT_LibraryRec_, decltype(&FT_Done_FreeType)> library{nullptr, FT_Done_FreeType};
  std::unique_ptr<FT_FaceRec_, decltype(&FT_Done_Face)> face{nullptr, FT_Done_Face};
  bool embolden = false;
  std::string error;  // why there is no face
  std::mutex mutex;

  TTextFont() {
    try {
      const TFontChoice choice = FindFont();
      FT_Library raw_library = nullptr;
      if (const FT_Error code = FT_Init_FreeType(&raw_library)) {
        throw FreeTypeError("Cannot start the font renderer", code);
      }
      library.reset(raw_library);
      FT_Face raw_face = nullptr;
      if (const FT_Error code =
              FT_New_Face(library.get(), choice.file.c_str(), choice.index, &raw_face)) {
        throw FreeTypeError("Cannot load the font \"" + choice.file + "\"", code);
      }
      face.reset(raw_face);
      embolden = choice.embolden;
    } catch (const Error& e) {
      error = e.what();
    }
  }
};

TTextFont& TextFont() {
  static TTextFont font;
  return font;
}

// The next code point of UTF-8 text; a byte that starts no valid sequence reads as U+FFFD.
char32_t NextCodePoint(const std::string& text, size_t& i) {
  const auto byte = [&](size_t at) { return static_cast<unsigned char>(text[at]); };
  const unsigned char lead = byte(i++);
  if (lead < 0x80) return lead;
  const int extra = lead >= 0xF0 && lead <= 0xF4 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
  if (extra < 0 || lead > 0xF4) return U'\uFFFD';
  char32_t code = lead & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    // A cut-off sequence is one bad character; the byte that cut it off starts the next.
    if (i + k >= text.size() || (byte(i + k) & 0xC0) != 0x80) {
      i += k;
      return U'\uFFFD';
    }
    code = (code << 6) | (byte(i + k) & 0x3F);
  }
  i += extra;
  // Overlong forms, surrogates and values past U+10FFFF are not characters.
  constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (code < kSmallest[extra] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
    return U'\uFFFD';
  }
  return code;
}

// The font's ascent in whole pixels at the current size: the OS/2 table's usWinAscent, the
// top of the cell that top-aligned text output lines up on, else FreeType's ascender.
int AscentPixels(FT_Face face) {
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && os2->usWinAscent > 0) {
    return static_cast<int>((FT_MulFix(os2->usWinAscent, face->size->metrics.y_scale) + 32) >> 6);
  }
  return static_cast<int>((face->size->metrics.ascender + 63) >> 6);
}

uint8_t Coverage(const FT_Bitmap& bitmap, const unsigned char* row, unsigned x) {
  if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) return (row[x / 8] & (0x80 >> (x % 8))) ? 255 : 0;
  return row[x];
}

// Paints white over the canvas, weighted by the glyph's coverage, with the glyph's top-left
// pixel at (left, top).
void BlendWhite(TBitmap32& canvas, const FT_Bitmap& bitmap, int left, int top) {
  if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO) return;
  const int rows = static_cast<int>(bitmap.rows), width = static_cast<int>(bitmap.width);
  const int y0 = std::max(0, -top), y1 = std::min(rows, canvas.Height() - top);
  const int x0 = std::max(0, -left), x1 = std::min(width, canvas.Width() - left);
  for (int y = y0; y < y1; ++y) {
    const unsigned char* source = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
    TPixel32* target = canvas.Row(top + y);
    for (int x = x0; x < x1; ++x) {
      const unsigned cover = Coverage(bitmap, source, static_cast<unsigned>(x));
      if (cover == 0) continue;
      TPixel32& p = target[left + x];
      const auto lighten = [cover](unsigned c) {
        return static_cast<uint8_t>((c * (255 - cover) + 255 * cover + 127) / 255);
      };
      p = MakePixel(lighten(PixelRed(p)), lighten(PixelGreen(p)), lighten(PixelBlue(p)),
                    PixelAlpha(p));
    }
  }
}

}  // namespace

int FontPixelHeight(int FontSize) {
  const int points = FontSize < 1 ? kDefaultFontSize : std::min(FontSize, kMaxFontSize);
  return (points * 96 + 36) / 72;
}

void DrawOverlayText(TBitmap32& canvas, const std::string& Text, int FontSize) {
  if (Text.empty() || canvas.Empty()) return;
  TTextFont& font = TextFont();
  if (!font.face) throw Error(font.error);

  const std::lock_guard lock(font.mutex);
  FT_Face face = font.face.get();
  const int pixels = FontPixelHeight(FontSize);
  if (const FT_Error code = FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels))) {
    throw FreeTypeError("Cannot size the font to " + std::to_string(pixels) + " pixels", code);
  }
  const int baseline = canvas.Height() - kTextTopFromBottom + AscentPixels(face);
  // The pen in 1/64 pixel; drawing stops once it is well past the right edge.
  FT_Pos pen = FT_Pos{kTextLeft} * 64;
  const FT_Pos stop = (FT_Pos{canvas.Width()} + 2 * pixels) * 64;
  FT_UInt previous = 0;
  for (size_t i = 0; i < Text.size() && pen < stop;) {
    const FT_UInt glyph = FT_Get_Char_Index(face, NextCodePoint(Text, i));
    if (previous && glyph && FT_HAS_KERNING(face)) {
      FT_Vector kerning{};
      if (FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &kerning) == 0) {
        pen += kerning.x;
      }
    }
    previous = glyph;
    // A glyph the font cannot load or render is left out, as a missing character would be.
    if (FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT) != 0) continue;
    FT_GlyphSlot slot = face->glyph;
    if (font.embolden) FT_GlyphSlot_Embolden(slot);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0) {
      BlendWhite(canvas, slot->bitmap, static_cast<int>((pen + 32) >> 6) + slot->bitmap_left,
                 baseline - slot->bitmap_top);
    }
    pen += slot->advance.x;
  }
}

}  // namespace fotoloom
