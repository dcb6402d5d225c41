#include "core/convert/WizardChecks.h"

#include "core/base/Path.h"
#include "core/settings/IniDocument.h"
#include "core/settings/IntegerText.h"

namespace fotoloom {
namespace {

bool HoldsNoFolder(const std::string& field) {
  return field.empty() || field == std::string(1, kPathSeparator);
}

bool IsBlank(const std::string& text) {
  return TrimBlanks(text).empty();
}

int32_t WholeNumberOrZero(const std::string& text) {
  int32_t value = 0;
  return TryStrToInt(text, value) ? value : 0;
}

}  // namespace

TStep2Outcome CheckStep2(const TStep2Values& v) {
  if (v.no_copy) return TStep2Outcome::CopyWithoutConverting;
  if (v.target_mode == TTargetMode::TargetFolder && HoldsNoFolder(v.folder_field))
    return TStep2Outcome::NoTargetFolder;
  if (v.target_mode == TTargetMode::SubFolder && HoldsNoFolder(v.folder_field))
    return TStep2Outcome::NoSubfolderName;
  if (v.profile_count == 0) return TStep2Outcome::NoProfiles;
  if (!v.profile_selected) return TStep2Outcome::NoProfileSelected;
  if (IsBlank(v.width_text)) return TStep2Outcome::NoWidth;
  if (IsBlank(v.height_text)) return TStep2Outcome::NoHeight;
  if (WholeNumberOrZero(v.width_text) == 0 && WholeNumberOrZero(v.height_text) == 0)
    return TStep2Outcome::NoSize;
  if (v.add_logo && IsBlank(v.logo)) return TStep2Outcome::NoLogo;
  if (v.add_text && IsBlank(v.text)) return TStep2Outcome::NoText;
  return TStep2Outcome::ReadyToConfirm;
}

}  // namespace fotoloom
