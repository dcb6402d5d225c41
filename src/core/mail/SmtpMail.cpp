#include "core/mail/SmtpMail.h"

#include <cctype>
#include <ctime>
#include <memory>

#include "core/base/Error.h"
#include "core/net/CurlHandle.h"
#include "core/net/NetFailure.h"
#include "core/net/PeerCertificate.h"
#include "core/net/ServerTrust.h"
#include "core/net/TextEncoding.h"

namespace fotoloom {

namespace {

using TMime = std::unique_ptr<curl_mime, decltype(&curl_mime_free)>;

struct TConversation {
  std::string last_refusal;  // the last reply of the server with a code of 400 or more
  const std::atomic<bool>* cancel = nullptr;
};

std::string JoinAddresses(const std::vector<std::string>& addresses) {
  std::string text;
  for (const std::string& address : addresses)
    text += (text.empty() ? "" : ", ") + HeaderLine(address);
  return text;
}

// Mail text has CR LF line ends.
std::string CrLfLines(const std::string& text) {
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) lines += '\r';
    lines += text[i];
  }
  return lines;
}

size_t RecordReply(char* text, size_t size, size_t count, void* data) {
  auto* conversation = static_cast<TConversation*>(data);
  std::string line(text, size * count);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  if (line.size() >= 4 && line[0] >= '4' && line[0] <= '5' &&
      std::isdigit(static_cast<unsigned char>(line[1])) &&
      std::isdigit(static_cast<unsigned char>(line[2])) && line[3] == ' ')
    conversation->last_refusal = line;
  return size * count;
}

int CheckCancel(void* data, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* conversation = static_cast<TConversation*>(data);
  return conversation->cancel != nullptr && conversation->cancel->load() ? 1 : 0;
}

size_t Discard(char*, size_t size, size_t count, void*) {
  return size * count;
}

void Check(CURLcode code) {
  if (code != CURLE_OK) throw Error(curl_easy_strerror(code));
}

std::string FailureText(CURLcode code, const TConversation& conversation, const char* error,
                        const std::string& where) {
  if (code == CURLE_USE_SSL_FAILED)
    return "De mailserver " + where + " biedt geen STARTTLS aan; er is niets verstuurd.";
  return NetFailureText(code, where, conversation.last_refusal, CurlReason(code, error));
}

}  // namespace

void SendSmtpMail(const TSmtpServer& server, const TMailContent& content) {
  if (server.security == TEmailSecurity::None && !server.username.empty() &&
      !server.plain_login_confirmed)
    throw Error(
        "Zonder beveiliging zouden uw gebruikersnaam en wachtwoord onversleuteld over het "
        "netwerk gaan; er is niets verstuurd. Kies in de emailinstellingen STARTTLS of SSL/TLS "
        "bij Beveiliging.");
  char error[CURL_ERROR_SIZE] = {};
  TCurlHandle handle = NewCurlHandle(error);
  CURL* curl = handle.get();
  TConversation conversation{.cancel = server.cancel};

  const std::string host =
      server.host.find(':') != std::string::npos ? "[" + server.host + "]" : server.host;
  const std::string where = server.host + ":" + std::to_string(server.port);
  const std::string url =
      std::string(server.security == TEmailSecurity::SslTls ? "smtps://" : "smtp://") + host + ":" +
      std::to_string(server.port);
  Check(curl_easy_setopt(curl, CURLOPT_URL, url.c_str()));
  Check(curl_easy_setopt(
      curl, CURLOPT_USE_SSL,
      static_cast<long>(server.security == TEmailSecurity::None ? CURLUSESSL_NONE
                                                                : CURLUSESSL_ALL)));
  if (!server.ca_file.empty())
    Check(curl_easy_setopt(curl, CURLOPT_CAINFO, server.ca_file.c_str()));
  TSeenCertificate seen;
  std::string pin;
  if (server.security != TEmailSecurity::None) {
    RecordPeerCertificate(curl, &seen);
    if (!server.trust_folder.empty()) pin = TrustedCertificatePin(server.trust_folder, where);
    if (!pin.empty()) PinPeerCertificate(curl, pin);
  }
  if (!server.username.empty()) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, server.username.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, server.password.c_str());
  }
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, server.connect_timeout_ms);
  curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, server.stall_timeout_seconds);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, server.stall_timeout_seconds);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &RecordReply);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &conversation);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Discard);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &CheckCancel);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &conversation);

  const std::string from = "<" + HeaderLine(content.from) + ">";
  Check(curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.c_str()));
  std::vector<std::string> addresses;
  for (const std::string& address : content.recipients)
    addresses.push_back("<" + HeaderLine(address) + ">");
  const TCurlList recipients = CurlList(addresses);
  Check(curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients.get()));

  const TCurlList headers =
      CurlList({"Date: " + MailDate(std::time(nullptr)), "From: " + HeaderLine(content.from),
                "To: " + JoinAddresses(content.recipients),
                "Subject: " + EncodedHeaderText(content.subject)});
  Check(curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get()));

  TMime mime(curl_mime_init(curl), &curl_mime_free);
  if (!mime) throw Error("Out of memory");
  curl_mimepart* text = curl_mime_addpart(mime.get());
  const std::string body = CrLfLines(content.body);
  Check(curl_mime_data(text, body.c_str(), body.size()));
  Check(curl_mime_type(text, "text/plain; charset=UTF-8"));
  Check(curl_mime_encoder(text, "quoted-printable"));
  for (const std::string& path : content.attachments) {
    curl_mimepart* part = curl_mime_addpart(mime.get());
    const CURLcode code = curl_mime_filedata(part, path.c_str());
    if (code != CURLE_OK) throw Error(CurlReason(code, error) + ": " + path);
    // The name goes into the part header by our own encoding: libcurl would put it there raw.
    TCurlList disposition = CurlList({AttachmentDisposition(FileNameOf(path))});
    Check(curl_mime_headers(part, disposition.get(), 1));
    disposition.release();  // the part owns it now
    Check(curl_mime_type(part, "image/jpeg"));
    Check(curl_mime_encoder(part, "base64"));
  }
  Check(curl_easy_setopt(curl, CURLOPT_MIMEPOST, mime.get()));

  error[0] = '\0';
  CURLcode code = curl_easy_perform(curl);
  // A certificate no authority vouches for may still be the user's own server's: the user
  // decides by its fingerprint, and its key is pinned from then on.
  if (code == CURLE_PEER_FAILED_VERIFICATION && pin.empty() && !seen.fingerprint.empty() &&
      !server.trust_folder.empty() && server.trust &&
      server.trust({where, false, seen.fingerprint, VerificationDoubt(seen)})) {
    StoreTrustedCertificate(server.trust_folder, where, seen.pin);
    PinPeerCertificate(curl, seen.pin);
    conversation.last_refusal.clear();
    error[0] = '\0';
    code = curl_easy_perform(curl);
  }
  // The handle's end closes the connection, also after a failure.
  if (code == CURLE_SSL_PINNEDPUBKEYNOTMATCH)
    throw Error(KeyChangedText("Het certificaat", where, PinFingerprint(pin), seen.fingerprint));
  if (code != CURLE_OK) throw Error(FailureText(code, conversation, error, where));
}

}  // namespace fotoloom
