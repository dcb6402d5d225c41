#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/lists/ListEntry.h"

namespace fotoloom {

// The entries for the photo files of `folder` (a separator is added when it has none) whose
// names match `pattern` ("*" and "?" as wildcards; a plain name matches only that file).
// Files of every kind of access and hidden files are taken, folders never; only the
// extensions ".jpg", ".jpeg", ".gif" and ".bmp" (any letter case) pass. There is no test
// against entries listed already. The entries come sorted by name, unchecked, ready to be
// appended to a list.
std::vector<TListEntry> AddFileEntries(const std::string& folder, std::string_view pattern,
                                       std::string_view decimal_separator);

}  // namespace fotoloom
