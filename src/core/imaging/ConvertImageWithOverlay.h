#pragma once

#include <atomic>
#include <string>

#include "core/base/Stream.h"
#include "core/imaging/Color.h"

namespace fotoloom {

// ConvertImageStream with a line of text and then a logo drawn onto the canvas before it
// is encoded, so that the logo lies on top of the text. With AddText, Text is drawn in
// white bold at FontSize points (DrawOverlayText); with AddLogo, LogoFile is drawn into
// the bottom-right corner at LogoOpacity (0 invisible .. 255 as the logo is; other values
// act as 255). A logo file that cannot be opened fails the photo with "Cannot open file
// ..."; one whose content is no picture is left out without an error.
void ConvertImageStreamWithOverlay(TStream& Source, TStream& Dest, int BoxWidth, int BoxHeight,
                                   TColor BackgroundColor, bool AddLogo,
                                   const std::string& LogoFile, bool AddText, int FontSize,
                                   const std::string& Text, int Quality, int LogoOpacity);

// The same on files, opened, checked, created and stopped exactly as ConvertImageFile does.
void ConvertImageFileWithOverlay(const std::string& SourceFile, const std::string& DestFile,
                                 int BoxWidth, int BoxHeight, TColor BackgroundColor, bool AddLogo,
                                 const std::string& LogoFile, bool AddText, int FontSize,
                                 const std::string& Text, int Quality, int LogoOpacity,
                                 const std::atomic<bool>* cancelled = nullptr);

}  // namespace fotoloom
