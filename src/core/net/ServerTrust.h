#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace fotoloom {

// A server whose certificate (FTPES, SMTP) or host key (SFTP) is not trusted yet.
struct TUnknownServer {
  std::string host;         // "host:port"
  bool host_key = false;    // true: an SSH host key; false: a TLS certificate
  std::string fingerprint;  // "SHA256:" + base64 of the SHA-256 of the (public) key
  std::string doubt;        // a certificate: why it is not trusted, in Dutch ("het ... ")
};

// Asked when the server is not trusted; true trusts it from now on (it is remembered by its
// fingerprint), false refuses the connection. Called on the thread that connects.
using TTrustQuestion = std::function<bool(const TUnknownServer&)>;

// "SHA256:" + base64 (no padding) of the SHA-256 of `bytes`, as ssh shows key fingerprints.
std::string Sha256Fingerprint(std::string_view bytes);

// Sha256Fingerprint of the bytes that `base64` encodes, as known_hosts holds a key; empty for
// a text that is no base64.
std::string Sha256FingerprintOfBase64(std::string_view base64);
// The fingerprint of a libcurl pin ("sha256//" + base64).
std::string PinFingerprint(const std::string& pin);

// The refusal of a server whose key is not the one accepted before: `what` ("Het
// certificaat", "De hostsleutel") of `server` changed, with both fingerprints.
std::string KeyChangedText(const std::string& what, const std::string& server,
                           const std::string& stored, const std::string& seen);

// libcurl's pin for a public key: "sha256//" + base64 of the SHA-256 of its DER form.
std::string PublicKeyPin(std::string_view der_public_key);

// The certificates the user accepted, one line "host:port sha256//..." each, in the file
// "trusted-certificates" of `folder`.
std::string TrustedCertificatePin(const std::string& folder, const std::string& server);
// Adds or replaces the pin of `server`; the file is replaced through a temporary one.
void StoreTrustedCertificate(const std::string& folder, const std::string& server,
                             const std::string& pin);

// Appends the SSH host key `key` (its wire form, which starts with its type) of host:port
// to the known_hosts file `path`, as OpenSSH writes it: "[host]:port" unless the port is 22.
void AddKnownHost(const std::string& path, const std::string& host, int port, std::string_view key);

// Makes the folder (mode 0700) and its parents when missing.
void MakeTrustFolder(const std::string& folder);

}  // namespace fotoloom
