#include "core/net/ServerTrust.h"

#include <openssl/evp.h>
#include <openssl/sha.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "core/base/ReplaceFile.h"
#include "core/base/SystemError.h"
#include "core/net/TextEncoding.h"

namespace fotoloom {

namespace {

constexpr const char* kCertificateFile = "trusted-certificates";

std::string Sha256Base64(std::string_view bytes) {
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
  return Base64(std::string_view(reinterpret_cast<const char*>(digest), SHA256_DIGEST_LENGTH));
}

std::string FilePath(const std::string& folder) {
  return folder.empty() || folder.back() == '/' ? folder + kCertificateFile
                                                : folder + "/" + kCertificateFile;
}

}  // namespace

std::string Sha256Fingerprint(std::string_view bytes) {
  std::string text = Sha256Base64(bytes);
  while (!text.empty() && text.back() == '=') text.pop_back();
  return "SHA256:" + text;
}

std::string Sha256FingerprintOfBase64(std::string_view base64) {
  if (base64.empty() || base64.size() % 4 != 0) return {};
  std::string bytes(base64.size() / 4 * 3, '\0');
  const int length = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                                     reinterpret_cast<const unsigned char*>(base64.data()),
                                     static_cast<int>(base64.size()));
  if (length < 0) return {};
  // EVP_DecodeBlock counts the padding as zero bytes.
  size_t size = static_cast<size_t>(length);
  for (size_t i = base64.size(); i > 0 && base64[i - 1] == '=' && size > 0; --i) --size;
  bytes.resize(size);
  return Sha256Fingerprint(bytes);
}

std::string PinFingerprint(const std::string& pin) {
  std::string text = pin.rfind("sha256//", 0) == 0 ? pin.substr(8) : pin;
  while (!text.empty() && text.back() == '=') text.pop_back();
  return "SHA256:" + text;
}

std::string PublicKeyPin(std::string_view der_public_key) {
  return "sha256//" + Sha256Base64(der_public_key);
}

std::string TrustedCertificatePin(const std::string& folder, const std::string& server) {
  std::ifstream file(FilePath(folder));
  std::string line;
  while (std::getline(file, line)) {
    const auto space = line.find(' ');
    if (space != std::string::npos && line.compare(0, space, server) == 0 &&
        space == server.size())
      return line.substr(space + 1);
  }
  return {};
}

void StoreTrustedCertificate(const std::string& folder, const std::string& server,
                             const std::string& pin) {
  MakeTrustFolder(folder);
  const std::string path = FilePath(folder);
  std::ostringstream kept;
  {
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line))
      if (line.compare(0, server.size() + 1, server + " ") != 0) kept << line << '\n';
  }
  kept << server << ' ' << pin << '\n';
  const std::string text = kept.str();
  ReplaceFileSafely(path,
                    std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()),
                    0600, [&](int error_number) { return CannotCreateFileError(path, error_number); });
}

void AddKnownHost(const std::string& path, const std::string& host, int port,
                  std::string_view key) {
  // The key's wire form begins with its type as an SSH string: a 4-byte length, then text.
  std::string type;
  if (key.size() > 4) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(key.data());
    const size_t length = (size_t{bytes[0]} << 24) | (size_t{bytes[1]} << 16) |
                          (size_t{bytes[2]} << 8) | size_t{bytes[3]};
    if (length <= key.size() - 4) type = std::string(key.substr(4, length));
  }
  if (type.empty()) throw Error("Onbekend type hostsleutel.");
  const std::string name = port == 22 ? host : "[" + host + "]:" + std::to_string(port);
  std::ofstream file(path, std::ios::app);
  file << name << ' ' << type << ' ' << Base64(key) << '\n';
  file.flush();
  if (!file) throw CannotCreateFileError(path, errno);
}

void MakeTrustFolder(const std::string& folder) {
  std::string partial;
  std::istringstream parts(folder);
  std::string part;
  if (!folder.empty() && folder.front() == '/') partial = "/";
  while (std::getline(parts, part, '/')) {
    if (part.empty()) continue;
    partial += part;
    if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
      throw CannotCreateFileError(partial, errno);
    partial += '/';
  }
}

std::string KeyChangedText(const std::string& what, const std::string& server,
                           const std::string& stored, const std::string& seen) {
  return what + " van " + server +
         " is veranderd sinds die werd geaccepteerd. De verbinding is geweigerd: controleer "
         "bij de beheerder van de server of de nieuwe sleutel klopt. (eerder " +
         (stored.empty() ? "onbekend" : stored) + ", nu " + (seen.empty() ? "onbekend" : seen) +
         ")";
}

}  // namespace fotoloom
