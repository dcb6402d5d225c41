#include "core/convert/OutputNaming.h"

#include <cstdio>
#include <string_view>

#include "core/base/Path.h"

namespace fotoloom {

std::string NameStem(const std::string& file_name) {
  std::string_view name = file_name;
  size_t name_start = 0;
  for (size_t i = name.size(); i > 0; --i) {
    if (IsPathDelimiter(name[i - 1])) {
      name_start = i;
      break;
    }
  }
  name = name.substr(name_start);
  // Only a "." inside the name part ends the stem; "." in a folder name does not.
  if (const size_t dot = name.rfind('.'); dot != std::string_view::npos) name = name.substr(0, dot);
  return std::string(name);
}

std::string GeneratedName(const TNamingFields& fields, const std::string& stem, int64_t counter) {
  std::string name = fields.prefix;
  if (fields.include_name) name += stem;
  name += std::to_string(counter);
  name += fields.appendix;
  name += fields.extension;
  return name;
}

std::string DateTimeStamp(const std::tm& local_time) {
  char text[64];
  std::snprintf(text, sizeof text, "%d%02d%02d%d%d%d", local_time.tm_year + 1900,
                local_time.tm_mon + 1, local_time.tm_mday, local_time.tm_hour, local_time.tm_min,
                local_time.tm_sec);
  return text;
}

namespace {

std::tm LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local_time{};
  localtime_r(&now, &local_time);
  return local_time;
}

}  // namespace

std::string DateTimeStamp() {
  return DateTimeStamp(LocalTimeNow());
}

std::string UniqueName(size_t position, const std::tm& local_time) {
  return DateTimeStamp(local_time) + std::to_string(position) + ".jpg";
}

std::string UniqueName(size_t position) {
  return UniqueName(position, LocalTimeNow());
}

std::string PhotoName(TNamingMode mode, const TNamingFields& fields, const std::string& caption,
                      size_t position, int64_t& counter) {
  switch (mode) {
    case TNamingMode::Generate:
      return GeneratedName(fields, NameStem(caption), counter++);
    case TNamingMode::Unique:
      return UniqueName(position);
    case TNamingMode::Same:
      break;
  }
  return caption;
}

std::string JpegFileName(const std::string& name) {
  const std::string_view extension = FileExtension(name);
  return name.substr(0, name.size() - extension.size()) + ".jpg";
}

std::string FilenameExample(const TNamingFields& fields) {
  return "Voorbeeld: " + GeneratedName(fields, "bestandsnaam", fields.increment);
}

}  // namespace fotoloom
