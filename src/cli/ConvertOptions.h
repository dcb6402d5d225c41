#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/imaging/Color.h"

namespace fotoloom {

// What the command line asks for.
struct TConvertOptions {
  int width = 650;
  int height = 0;
  int quality = 90;
  TColor background = 0x00FFFFFF;
  int jobs = 0;                     // 0: one per processor core
  std::optional<std::string> logo;  // a logo for the bottom-right corner
  int opacity = 255;
  std::optional<std::string> text;  // a line of text for the bottom-left corner
  int font_size = 22;
  std::string target;
  std::vector<std::string> files;
  bool help = false;
};

// Parses the arguments after the program name; throws fotoloom::Error with a usage
// message on bad input.
TConvertOptions ParseConvertOptions(const std::vector<std::string>& args);

extern const char* const kConvertUsage;

}  // namespace fotoloom
