#include "core/imaging/ConvertImageWithOverlay.h"

#include <vector>

#include "core/imaging/ConvertImage.h"
#include "core/imaging/FileConversion.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "core/imaging/LogoOverlay.h"
#include "core/imaging/TextOverlay.h"

namespace fotoloom {

void ConvertImageStreamWithOverlay(TStream& Source, TStream& Dest, int BoxWidth, int BoxHeight,
                                   TColor BackgroundColor, bool AddLogo,
                                   const std::string& LogoFile, bool AddText, int FontSize,
                                   const std::string& Text, int Quality, int LogoOpacity) {
  TBitmap32 canvas;
  if (!RenderCanvas(Source, BoxWidth, BoxHeight, BackgroundColor, canvas)) return;
  if (canvas.Empty()) return;
  if (AddText) DrawOverlayText(canvas, Text, FontSize);
  if (AddLogo) {
    if (const auto logo = LoadLogo(LogoFile)) DrawLogo(canvas, *logo, LogoOpacity);
  }
  const std::vector<uint8_t> jpeg = EncodeJpeg(canvas, Quality);
  Dest.Write(jpeg.data(), jpeg.size());
}

void ConvertImageFileWithOverlay(const std::string& SourceFile, const std::string& DestFile,
                                 int BoxWidth, int BoxHeight, TColor BackgroundColor, bool AddLogo,
                                 const std::string& LogoFile, bool AddText, int FontSize,
                                 const std::string& Text, int Quality, int LogoOpacity,
                                 const std::atomic<bool>* cancelled) {
  ConvertBetweenFiles(
      SourceFile, DestFile,
      [&](TStream& source, TStream& dest) {
        ConvertImageStreamWithOverlay(source, dest, BoxWidth, BoxHeight, BackgroundColor, AddLogo,
                                      LogoFile, AddText, FontSize, Text, Quality, LogoOpacity);
      },
      cancelled);
}

}  // namespace fotoloom
