#pragma once

#include <curl/curl.h>

#include <string>

namespace fotoloom {

// The key of the certificate a TLS server showed.
struct TSeenCertificate {
  std::string fingerprint;  // Sha256Fingerprint of the public key, as the user compares it
  std::string pin;          // PublicKeyPin of the public key, as libcurl checks it
  std::string doubt;        // why the chain of trust failed, in Dutch; empty when it held
};

// Has every TLS handshake of `curl` record the server's own certificate into `seen`,
// trusted or not. `seen` must outlive the handle's transfers.
void RecordPeerCertificate(CURL* curl, TSeenCertificate* seen);

// Why a handshake that failed its verification (CURLE_PEER_FAILED_VERIFICATION) did not
// trust the server: the chain's fault, else the name, which libcurl checks after the chain.
std::string VerificationDoubt(const TSeenCertificate& seen);

// Has `curl` accept the server whose certificate has the key `pin` (from PublicKeyPin),
// whatever signed it, and no other.
void PinPeerCertificate(CURL* curl, const std::string& pin);

}  // namespace fotoloom
