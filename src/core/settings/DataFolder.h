#pragma once

#include <string>

namespace fotoloom {

// The folder of the settings file, ending in a separator: "$XDG_CONFIG_HOME/Fotoloom/", or
// "$HOME/.config/Fotoloom/" when XDG_CONFIG_HOME is unset or not an absolute path (the home
// folder of the password database when HOME is unset too). Missing folders are created with
// mode 0700; a failure to create them is not reported here but shows at the first write of
// the settings file.
std::string DataFolder();

// DataFolder() followed by "fotoloom.crp".
std::string SettingsFilePath();

}  // namespace fotoloom
