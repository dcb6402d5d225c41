#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/convert/ConversionRun.h"

namespace fotoloom {

enum class TOverwritePolicy { Ask, All, None };

// What the command line asks for.
struct TConvertOptions {
  std::optional<std::string> profile;  // a size profile of the settings file
  std::optional<std::string> width;    // as typed; override the profile's values
  std::optional<std::string> height;
  std::optional<int> quality;
  std::optional<std::string> background;  // a colour text
  TTargetMode target_mode = TTargetMode::TargetFolder;
  std::string folder;  // the target folder, or the sub-folder name
  TNamingMode naming = TNamingMode::Same;
  TNamingFields naming_fields;
  TOverlayOptions overlay;
  TOverwritePolicy overwrite = TOverwritePolicy::Ask;
  bool recursive = false;
  int jobs = 0;  // 0: one per processor core
  std::vector<std::string> sources;
  bool help = false;
  bool version = false;
};

// Parses the arguments after the program name; throws fotoloom::Error that says what is
// wrong.
TConvertOptions ParseConvertOptions(const std::vector<std::string>& args);

extern const char* const kConvertUsage;

}  // namespace fotoloom
