#pragma once

#include <string>
#include <vector>

#include "core/lists/ListEntry.h"

namespace fotoloom {

// The photos the command line names: a file as it is given, a folder through the folder
// scan of the selection list (its sub-folders too when `recursive`). A file named twice
// (letter case ignored) is taken once.
std::vector<TListEntry> CollectSources(const std::vector<std::string>& sources, bool recursive);

}  // namespace fotoloom
