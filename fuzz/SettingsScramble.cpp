// The scrambling of stored passwords: any bytes under any key come back unchanged, and any
// stored text unscrambles or unpacks without fault.
#include <cstdlib>
#include <string>

#include "core/settings/SettingsScramble.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const auto key = static_cast<uint16_t>(data[0] | (data[1] << 8));
  const std::string bytes(reinterpret_cast<const char*>(data) + 2, size - 2);

  const std::string stored = fotoloom::ScrambleSetting(bytes, key);
  if (fotoloom::UnscrambleSetting(stored, key) != bytes) std::abort();
  if (fotoloom::UnpackSettingBytes(fotoloom::PackSettingBytes(bytes)) != bytes) std::abort();

  fotoloom::UnscrambleSetting(bytes, key);
  fotoloom::UnpackSettingBytes(bytes);
  return 0;
}
