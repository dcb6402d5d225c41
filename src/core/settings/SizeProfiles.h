#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/settings/IniFile.h"

namespace fotoloom {

// The profile offered when the file holds none; it exists in memory until it is stored.
inline constexpr char kDefaultProfileName[] = "Standaard foto's";

// A size profile: one section of the settings file, named by the profile.
struct TSizeProfile {
  std::string Width = "650";                // "Foto_breedte": the width field as typed
  std::string Height = "0";                 // "Foto_hoogte": the height field as typed
  int32_t Quality = 90;                     // "Foto_kwaliteit"
  std::string BackgroundColor = "clWhite";  // "Foto_achtergrondkleur": a colour text

  bool operator==(const TSizeProfile&) const = default;
};

// False for a name that cannot name a profile section: blank, holding a line break, or
// "Settings" in any letter case (that section holds the program's settings).
bool IsProfileName(const std::string& name);

// The section names in file order without "Settings"; when that leaves none, the single
// name kDefaultProfileName.
std::vector<std::string> LoadProfileNames(const TIniFile& file);

// The profile's four keys; each missing key (or the whole section) gives its default.
TSizeProfile ReadProfile(const TIniFile& file, const std::string& name);

// Writes the four keys into the section `name` (matched without regard to case), creating
// it at the end of the file when it does not exist. A name that fails IsProfileName throws
// ""<name>" kan niet als naam van een afmeting worden gebruikt." and writes nothing.
void StoreProfile(TIniFile& file, const std::string& name, const TSizeProfile& profile);

// Erases the section `name`; nothing happens when there is none or when the name fails
// IsProfileName (so a profile called "Settings" can never take the settings with it).
void DeleteProfile(TIniFile& file, const std::string& name);

}  // namespace fotoloom
