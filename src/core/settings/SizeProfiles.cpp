#include "core/settings/SizeProfiles.h"

#include <algorithm>

#include "core/base/Error.h"
#include "core/settings/Settings.h"

namespace fotoloom {

bool IsProfileName(const std::string& name) {
  return !TrimBlanks(name).empty() && name.find_first_of("\r\n") == std::string::npos &&
         !SameName(TrimBlanks(name), kSettingsSection);
}

std::vector<std::string> LoadProfileNames(const TIniFile& file) {
  std::vector<std::string> names = file.ReadSections();
  std::erase_if(names, [](const std::string& name) { return SameName(name, kSettingsSection); });
  if (names.empty()) names.emplace_back(kDefaultProfileName);
  return names;
}

TSizeProfile ReadProfile(const TIniFile& settings_file, const std::string& name) {
  const TIniReader file = settings_file.Snapshot();
  TSizeProfile profile;
  profile.Width = file.ReadString(name, "Foto_breedte", profile.Width);
  profile.Height = file.ReadString(name, "Foto_hoogte", profile.Height);
  profile.Quality = file.ReadInteger(name, "Foto_kwaliteit", profile.Quality);
  profile.BackgroundColor = file.ReadString(name, "Foto_achtergrondkleur", profile.BackgroundColor);
  return profile;
}

void StoreProfile(TIniFile& file, const std::string& name, const TSizeProfile& profile) {
  if (!IsProfileName(name)) {
    throw Error("\"" + name + "\" kan niet als naam van een afmeting worden gebruikt.");
  }
  file.WriteString(name, "Foto_breedte", profile.Width);
  file.WriteString(name, "Foto_hoogte", profile.Height);
  file.WriteInteger(name, "Foto_kwaliteit", profile.Quality);
  file.WriteString(name, "Foto_achtergrondkleur", profile.BackgroundColor);
}

void DeleteProfile(TIniFile& file, const std::string& name) {
  if (IsProfileName(name)) file.EraseSection(name);
}

}  // namespace fotoloom
