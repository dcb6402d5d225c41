#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace fotoloom {

// How the converted photos are named (RadioRenameSame, RadioRenameGenerate,
// RadioRenameUnique).
enum class TNamingMode { Same, Generate, Unique };

// The fields of panelRename, as the window or the command line holds them when a name is made.
struct TNamingFields {
  std::string prefix;              // editPrefix
  int64_t increment = 1;           // editIncrement: the counter of the first photo
  std::string appendix;            // editAppendix
  std::string extension = ".jpg";  // cmbExtension
  bool include_name = false;       // chkInclBestandsnaam: the source's stem after the prefix
};

// The file name without its folder part and without its last extension.
std::string NameStem(const std::string& file_name);

// Prefix, stem (when include_name is set), counter, appendix and extension, run together.
std::string GeneratedName(const TNamingFields& fields, const std::string& stem, int64_t counter);

// The year, the month and the day in two digits, then hour, minute and second without
// leading zeros: 5 March 2024 at 09:05:07 gives "20240305957".
std::string DateTimeStamp(const std::tm& local_time);
// The stamp of the local time now.
std::string DateTimeStamp();

// The stamp, the 0-based position of the photo in the selection list, and ".jpg".
std::string UniqueName(size_t position, const std::tm& local_time);
// The unique name with the clock read now.
std::string UniqueName(size_t position);

// The name of the photo at `position` of the selection list whose caption is `caption`. A
// generated name takes `counter`, which then goes up by one.
std::string PhotoName(TNamingMode mode, const TNamingFields& fields, const std::string& caption,
                      size_t position, int64_t& counter);

// The name with everything from its last "." on replaced by ".jpg" (appended when it has no
// "."): every output is a JPEG file, whatever the naming gave.
std::string JpegFileName(const std::string& name);

// The text of lblFilenameExample: "Voorbeeld: " and a generated name with the word
// "bestandsnaam" standing in for the stem.
std::string FilenameExample(const TNamingFields& fields);

}  // namespace fotoloom
