#pragma once

#include <curl/curl.h>

#include <string>

namespace fotoloom {

// The key of the certificate a TLS server showed.
struct TSeenCertificate {
  std::string fingerprint;  // Sha256Fingerprint of the public key, as the user compares it
  std::string pin;          // PublicKeyPin of the public key, as libcurl checks it
};

// Has every TLS handshake of `curl` record the server's own certificate into `seen`,
// trusted or not. `seen` must outlive the handle's transfers.
void RecordPeerCertificate(CURL* curl, TSeenCertificate* seen);

// Has `curl` accept the server whose certificate has the key `pin` (from PublicKeyPin),
// whatever signed it, and no other.
void PinPeerCertificate(CURL* curl, const std::string& pin);

}  // namespace fotoloom
