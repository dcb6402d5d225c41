#include "core/net/ServerTrust.h"

#include <openssl/evp.h>
#include <openssl/sha.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "core/base/ReplaceFile.h"
#include "core/base/SystemError.h"

namespace fotoloom {

namespace {

constexpr const char* kCertificateFile = "trusted-certificates";

std::string Sha256Base64(std::string_view bytes) {
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
  unsigned char text[4 * ((SHA256_DIGEST_LENGTH + 2) / 3) + 1];
  const int length = EVP_EncodeBlock(text, digest, SHA256_DIGEST_LENGTH);
  return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
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

}  // namespace fotoloom
