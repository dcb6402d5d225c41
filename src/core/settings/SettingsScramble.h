#pragma once

#include <cstdint>
#include <string>

namespace fotoloom {

// The starting key of every scrambled setting.
constexpr uint16_t kSettingsKey = 0;

// Keeps the FTP and web-script settings out of plain sight (it is no encryption): the bytes
// are XORed with a running key, then packed six bits to a character. Pure functions; the
// plain text may hold any bytes.
std::string ScrambleSetting(const std::string& plain, uint16_t key);
std::string UnscrambleSetting(const std::string& stored, uint16_t key);

// The packing stage alone: each group of up to three bytes, read as a little-endian number,
// becomes one character more than it has bytes, least significant six bits first, from the
// Base64 alphabet and without fill characters. Unpacking reads a character outside the
// alphabet as 0 and ignores a last group of one character, which packing never produces.
std::string PackSettingBytes(const std::string& bytes);
std::string UnpackSettingBytes(const std::string& text);

}  // namespace fotoloom
