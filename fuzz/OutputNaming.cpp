// The names of the converted photos from any field texts, counter and clock: every mode gives
// a name, and the name written is always a ".jpg" file.
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "FuzzText.h"
#include "core/convert/OutputNaming.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 17) return 0;
  // The counter starts from editIncrement or --increment, both 32-bit numbers.
  int32_t counter;
  std::memcpy(&counter, data, sizeof counter);
  int64_t clock;
  std::memcpy(&clock, data + 8, sizeof clock);
  const bool include_name = (data[16] & 1) != 0;
  const std::vector<std::string> parts = fotoloom::SplitFuzzInput(data + 17, size - 17, 4);

  fotoloom::TNamingFields fields;
  fields.prefix = parts[0];
  fields.appendix = parts[1];
  fields.extension = parts[2];
  fields.include_name = include_name;
  fields.increment = counter;
  const std::string& caption = parts[3];

  fotoloom::FilenameExample(fields);
  for (const auto mode : {fotoloom::TNamingMode::Same, fotoloom::TNamingMode::Generate,
                          fotoloom::TNamingMode::Unique}) {
    int64_t next = counter;
    const std::string name = fotoloom::PhotoName(mode, fields, caption, 3, next);
    const std::string jpeg = fotoloom::JpegFileName(name);
    if (jpeg.size() < 4 || jpeg.compare(jpeg.size() - 4, 4, ".jpg") != 0) std::abort();
  }

  const std::time_t when = static_cast<std::time_t>(clock);
  std::tm local_time{};
  if (localtime_r(&when, &local_time)) fotoloom::UniqueName(7, local_time);
  return 0;
}
