#pragma once

#include <string>

namespace fotoloom {

// Hidden names ".<name>.NNNNNN" beside a target, for a file that is written there (or linked
// there once whole) and then renamed to the target.
//
// A writer holds an exclusive flock on such a file for as long as the file has the name: it
// takes the lock before the name can lead to the file and keeps a descriptor open until the
// name is renamed or removed. The lock ends with the process, however it ends, so a file under
// such a name that nobody holds was left by a writer that died between naming and renaming.
//
// Each target has a fixed set of such names rather than random ones, so that its leftovers
// are found with a few lookups instead of a listing of the folder, which would cost
// milliseconds per photo in a folder of thousands. The names are created exclusively and
// never through a link, so knowing them in advance gives nothing away.

inline constexpr int kTempSlots = 16;

// The hidden name number `slot` (0 to kTempSlots - 1) of `target`, in its folder. Within the
// usual 255-byte limit of a name.
std::string TempNameBeside(const std::string& target, int slot);

// Creates a file under a free hidden name of `target`, exclusively, locked, with mode 0666 so
// that the umask applies as to any new file (mkstemp would always give 0600). Returns its
// descriptor open for writing and sets `temp_path`, or returns -1 with errno set (EEXIST when
// every name is taken).
int CreateTempBeside(const std::string& target, std::string& temp_path);

// Locks the file open as `fd`, made without a name, and links it under a free hidden name of
// `target`. Returns false with errno set.
bool LinkTempBeside(int fd, const std::string& target, std::string& temp_path);

// Removes what writers that died left under the hidden names of `target`: regular files of
// ours that no live writer holds. A link, a folder, another user's file or a file still being
// written stays. A leftover that cannot be removed changes nothing for the write that
// follows, so failures are not reported.
void RemoveStaleTempsBeside(const std::string& target);

}  // namespace fotoloom
