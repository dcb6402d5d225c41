#include "core/settings/SettingsScramble.h"

#include <algorithm>
#include <array>

namespace fotoloom {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<uint8_t, 256> MakeSixBitValues() {
  std::array<uint8_t, 256> values{};  // characters outside the alphabet count as 0
  for (uint8_t i = 0; i < 64; ++i) values[static_cast<unsigned char>(kAlphabet[i])] = i;
  return values;
}
constexpr std::array<uint8_t, 256> kSixBitValues = MakeSixBitValues();

// The next running key; it is always fed with the scrambled byte, in both directions.
uint16_t NextKey(uint16_t key, uint8_t scrambled) {
  return static_cast<uint16_t>((key + scrambled) * 0x9E3Bu + 0x2F61u);
}

}  // namespace

std::string PackSettingBytes(const std::string& bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t start = 0; start < bytes.size(); start += 3) {
    const size_t count = std::min<size_t>(3, bytes.size() - start);
    uint32_t v = 0;
    for (size_t i = 0; i < count; ++i) {
      v |= uint32_t{static_cast<uint8_t>(bytes[start + i])} << (8 * i);
    }
    for (size_t i = 0; i <= count; ++i) text += kAlphabet[(v >> (6 * i)) & 0x3F];
  }
  return text;
}

std::string UnpackSettingBytes(const std::string& text) {
  std::string bytes;
  bytes.reserve(text.size() / 4 * 3 + 2);
  for (size_t start = 0; start < text.size(); start += 4) {
    const size_t count = std::min<size_t>(4, text.size() - start);
    uint32_t v = 0;
    for (size_t i = 0; i < count; ++i) {
      v |= uint32_t{kSixBitValues[static_cast<unsigned char>(text[start + i])]} << (6 * i);
    }
    for (size_t i = 0; i + 1 < count; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
  }
  return bytes;
}

std::string ScrambleSetting(const std::string& plain, uint16_t key) {
  std::string scrambled(plain.size(), '\0');
  for (size_t i = 0; i < plain.size(); ++i) {
    const auto out = static_cast<uint8_t>(static_cast<uint8_t>(plain[i]) ^ (key >> 8));
    scrambled[i] = static_cast<char>(out);
    key = NextKey(key, out);
  }
  return PackSettingBytes(scrambled);
}

std::string UnscrambleSetting(const std::string& stored, uint16_t key) {
  std::string plain = UnpackSettingBytes(stored);
  for (char& c : plain) {
    const auto in = static_cast<uint8_t>(c);
    c = static_cast<char>(in ^ (key >> 8));
    key = NextKey(key, in);
  }
  return plain;
}

}  // namespace fotoloom
