#pragma once

#include <string>

#include "core/convert/ConversionRun.h"

namespace fotoloom {

// What step 2 holds when Next is clicked there.
struct TStep2Values {
  bool no_copy = false;  // "Niet kopieeren maar ga verder": step 3 without converting
  TTargetMode target_mode = TTargetMode::TargetFolder;
  std::string folder_field;
  int profile_count = 0;
  bool profile_selected = false;
  std::string width_text;
  std::string height_text;
  bool add_logo = false;
  std::string logo;
  bool add_text = false;
  std::string text;
};

// What Next on step 2 does, by the first of the checks (in this order) that applies.
enum class TStep2Outcome {
  CopyWithoutConverting,
  NoTargetFolder,
  NoSubfolderName,
  NoProfiles,
  NoProfileSelected,
  NoWidth,
  NoHeight,
  NoSize,  // width and height both 0
  NoLogo,
  NoText,
  ReadyToConfirm,
};

// Runs the checks of step 2. A width or height that is no whole number reads as 0, as in
// the conversion run; a field that holds no folder is empty or the separator alone.
TStep2Outcome CheckStep2(const TStep2Values& values);

}  // namespace fotoloom
