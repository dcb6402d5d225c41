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

int RecordAndVerify(int preverify_ok, X509_STORE_CTX* store) {
  if (X509_STORE_CTX_get_error_depth(store) != 0) return preverify_ok;
  const auto* ssl =
      static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
  auto* seen =
      ssl == nullptr
          ? nullptr
          : static_cast<TSeenCertificate*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), SeenSlot()));
  if (seen == nullptr) return preverify_ok;
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

void PinPeerCertificate(CURL* curl, const std::string& pin) {
  // The key the user accepted is what counts, not a chain of trust.
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(curl, CURLOPT_PINNEDPUBLICKEY, pin.c_str());
}

}  // namespace fotoloom
