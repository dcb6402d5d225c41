#include "core/net/PeerCertificate.h"

#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <string_view>

#include "core/net/ServerTrust.h"

namespace fotoloom {

namespace {

// Where the handshake finds its TSeenCertificate: the context's own slot.
int SeenSlot() {
  static const int slot = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return slot;
}

// What the user reads about a certificate that the chain of trust refused.
std::string Doubt(int error) {
  switch (error) {
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
      return "het certificaat is door de server zelf ondertekend";
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
      return "het certificaat is uitgegeven door een onbekende instantie";
    case X509_V_ERR_CERT_HAS_EXPIRED:
      return "het certificaat is verlopen";
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return "het certificaat is nog niet geldig";
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      return "het certificaat hoort bij een andere servernaam";
    default:
      return std::string("het certificaat is afgekeurd (") + X509_verify_cert_error_string(error) +
             ")";
  }
}

int RecordAndVerify(int preverify_ok, X509_STORE_CTX* store) {
  const auto* ssl =
      static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
  auto* seen =
      ssl == nullptr
          ? nullptr
          : static_cast<TSeenCertificate*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), SeenSlot()));
  if (seen == nullptr) return preverify_ok;
  if (!preverify_ok && seen->doubt.empty()) seen->doubt = Doubt(X509_STORE_CTX_get_error(store));
  if (X509_STORE_CTX_get_error_depth(store) != 0) return preverify_ok;
  unsigned char* der = nullptr;
  const int length =
      i2d_X509_PUBKEY(X509_get_X509_PUBKEY(X509_STORE_CTX_get_current_cert(store)), &der);
  if (length > 0) {
    const std::string_view key(reinterpret_cast<const char*>(der), static_cast<size_t>(length));
    seen->fingerprint = Sha256Fingerprint(key);
    seen->pin = PublicKeyPin(key);
  }
  OPENSSL_free(der);
  return preverify_ok;
}

CURLcode SetUpContext(CURL*, void* ssl_ctx, void* seen) {
  auto* context = static_cast<SSL_CTX*>(ssl_ctx);
  SSL_CTX_set_ex_data(context, SeenSlot(), seen);
  SSL_CTX_set_verify(context, SSL_CTX_get_verify_mode(context), &RecordAndVerify);
  return CURLE_OK;
}

}  // namespace

void RecordPeerCertificate(CURL* curl, TSeenCertificate* seen) {
  curl_easy_setopt(curl, CURLOPT_SSL_CTX_FUNCTION, &SetUpContext);
  curl_easy_setopt(curl, CURLOPT_SSL_CTX_DATA, seen);
}

std::string VerificationDoubt(const TSeenCertificate& seen) {
  return seen.doubt.empty() ? Doubt(X509_V_ERR_HOSTNAME_MISMATCH) : seen.doubt;
}

void PinPeerCertificate(CURL* curl, const std::string& pin) {
  // The key the user accepted is what counts, not a chain of trust.
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(curl, CURLOPT_PINNEDPUBLICKEY, pin.c_str());
}

}  // namespace fotoloom
