#include "core/convert/WizardChecks.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace fotoloom {
namespace {

// Step 2 as it passes every check.
TStep2Values Passing() {
  TStep2Values v;
  v.folder_field = "/home/an/Fotoloom Fotos/fotos_20240305957";
  v.profile_count = 1;
  v.profile_selected = true;
  v.width_text = "650";
  v.height_text = "0";
  return v;
}

struct Case {
  const char* name;
  std::function<void(TStep2Values&)> change;
  TStep2Outcome outcome;
};

TEST(WizardChecksTest, FirstFailingCheckDecides) {
  const std::vector<Case> cases = {
      {"everything in place", [](TStep2Values&) {}, TStep2Outcome::ReadyToConfirm},
      {"no copy comes before every check",
       [](TStep2Values& v) {
         v = TStep2Values{};
         v.no_copy = true;
       },
       TStep2Outcome::CopyWithoutConverting},
      {"target folder empty", [](TStep2Values& v) { v.folder_field = ""; },
       TStep2Outcome::NoTargetFolder},
      {"target folder only the separator", [](TStep2Values& v) { v.folder_field = "/"; },
       TStep2Outcome::NoTargetFolder},
      {"same folder never looks at the field",
       [](TStep2Values& v) {
         v.target_mode = TTargetMode::SameFolder;
         v.folder_field = "";
       },
       TStep2Outcome::ReadyToConfirm},
      {"sub-folder without a name",
       [](TStep2Values& v) {
         v.target_mode = TTargetMode::SubFolder;
         v.folder_field = "/";
       },
       TStep2Outcome::NoSubfolderName},
      {"no profiles before no width",
       [](TStep2Values& v) {
         v.profile_count = 0;
         v.profile_selected = false;
         v.width_text = "";
       },
       TStep2Outcome::NoProfiles},
      {"no profile selected", [](TStep2Values& v) { v.profile_selected = false; },
       TStep2Outcome::NoProfileSelected},
      {"width of blanks", [](TStep2Values& v) { v.width_text = "  "; }, TStep2Outcome::NoWidth},
      {"height empty", [](TStep2Values& v) { v.height_text = ""; }, TStep2Outcome::NoHeight},
      {"both zero, one in hexadecimal",
       [](TStep2Values& v) {
         v.width_text = " 0";
         v.height_text = "$0";
       },
       TStep2Outcome::NoSize},
      {"a width that is no number reads as 0", [](TStep2Values& v) { v.width_text = "640px"; },
       TStep2Outcome::NoSize},
      {"width 0 with height 480",
       [](TStep2Values& v) {
         v.width_text = "0";
         v.height_text = "480";
       },
       TStep2Outcome::ReadyToConfirm},
      {"negative width passes", [](TStep2Values& v) { v.width_text = "-5"; },
       TStep2Outcome::ReadyToConfirm},
      {"both extra options empty: the logo first",
       [](TStep2Values& v) {
         v.add_logo = true;
         v.logo = " ";
         v.add_text = true;
       },
       TStep2Outcome::NoLogo},
      {"text option empty",
       [](TStep2Values& v) {
         v.add_logo = true;
         v.logo = "/home/an/logo.png";
         v.add_text = true;
       },
       TStep2Outcome::NoText},
      {"unchecked options are not looked at", [](TStep2Values& v) { v.logo = ""; },
       TStep2Outcome::ReadyToConfirm},
  };
  for (const Case& c : cases) {
    TStep2Values values = Passing();
    c.change(values);
    EXPECT_EQ(CheckStep2(values), c.outcome) << c.name;
  }
}

}  // namespace
}  // namespace fotoloom
