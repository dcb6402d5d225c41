#include "core/publish/RemoteClient.h"

#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/base/SystemError.h"
#include "core/net/CurlHandle.h"
#include "core/net/ServerTrust.h"

namespace fotoloom {

namespace {

using TFile = std::unique_ptr<FILE, decltype(&fclose)>;

std::string Escaped(CURL* curl, const std::string& text) {
  std::unique_ptr<char, decltype(&curl_free)> escaped(
      curl_easy_escape(curl, text.c_str(), static_cast<int>(text.size())), &curl_free);
  return escaped ? std::string(escaped.get()) : text;
}

// Escapes every part of a path and keeps its slashes.
std::string EscapedPath(CURL* curl, const std::string& path) {
  std::string result;
  size_t start = 0;
  while (true) {
    const size_t slash = path.find('/', start);
    result += Escaped(curl, path.substr(start, slash - start));
    if (slash == std::string::npos) return result;
    result += '/';
    start = slash + 1;
  }
}

std::string UrlHost(const std::string& host) {
  return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

std::string JoinFolder(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

size_t ReadFromFile(char* buffer, size_t size, size_t count, void* file) {
  return fread(buffer, size, count, static_cast<FILE*>(file));
}

}  // namespace

struct TRemoteSession {
  const TRemoteAccount* account = nullptr;
  const TRemoteOptions* options = nullptr;
  char error[CURL_ERROR_SIZE] = {};
  TCurlHandle curl{nullptr, &curl_easy_cleanup};
  std::string base_url;  // "scheme://host:port"
  std::string sftp_folder;  // SFTP: "" for the login folder, else ending in "/"
  std::string last_reply;   // FTP: the text of the last final reply
  int last_reply_code = 0;
  const TBytesProgress* progress = nullptr;
  std::string pin;  // FTPES: the accepted certificate's key
  // The identity of the server seen during the last connection attempt.
  std::string seen_fingerprint;
  std::string seen_pin;
  std::string seen_host_key;
  bool host_key_changed = false;
  std::string accepted_host_key;  // SFTP: accepted by the user, to be stored on next sight

  std::string Server() const { return account->host + ":" + std::to_string(account->port); }
  bool Ftp() const { return account->protocol != TRemoteProtocol::Sftp; }
};

namespace {

thread_local TRemoteSession* t_verifying = nullptr;

int VerifyCertificate(int preverify_ok, X509_STORE_CTX* store) {
  if (t_verifying != nullptr && X509_STORE_CTX_get_error_depth(store) == 0) {
    X509* certificate = X509_STORE_CTX_get_current_cert(store);
    unsigned char* der = nullptr;
    const int length = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(certificate), &der);
    if (length > 0) {
      const std::string_view key(reinterpret_cast<const char*>(der), static_cast<size_t>(length));
      t_verifying->seen_fingerprint = Sha256Fingerprint(key);
      t_verifying->seen_pin = PublicKeyPin(key);
    }
    OPENSSL_free(der);
  }
  return preverify_ok;
}

CURLcode SetUpTls(CURL*, void* ssl_ctx, void*) {
  auto* context = static_cast<SSL_CTX*>(ssl_ctx);
  SSL_CTX_set_verify(context, SSL_CTX_get_verify_mode(context), &VerifyCertificate);
  return CURLE_OK;
}

int CheckHostKey(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch match,
                 void* data) {
  auto* session = static_cast<TRemoteSession*>(data);
  const std::string key(found->key, found->len);
  session->seen_host_key = key;
  session->seen_fingerprint = Sha256Fingerprint(key);
  switch (match) {
    case CURLKHMATCH_OK:
      return CURLKHSTAT_FINE;
    case CURLKHMATCH_MISSING:
      return key == session->accepted_host_key ? CURLKHSTAT_FINE_ADD_TO_FILE : CURLKHSTAT_REJECT;
    default:
      session->host_key_changed = true;
      return CURLKHSTAT_REJECT;
  }
}

// Final FTP replies ("250 Okay.") as the server sends them.
size_t RecordReply(char* text, size_t size, size_t count, void* data) {
  auto* session = static_cast<TRemoteSession*>(data);
  std::string line(text, size * count);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  if (line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) && line[3] == ' ') {
    session->last_reply_code = std::atoi(line.substr(0, 3).c_str());
    session->last_reply = line.substr(4);
  }
  return size * count;
}

int ReportProgress(void* data, curl_off_t, curl_off_t, curl_off_t upload_total,
                   curl_off_t upload_now) {
  auto* session = static_cast<TRemoteSession*>(data);
  if (session->options->cancel != nullptr && session->options->cancel->load()) return 1;
  if (session->progress != nullptr && *session->progress && upload_total > 0)
    (*session->progress)(static_cast<uint64_t>(upload_now), static_cast<uint64_t>(upload_total));
  return 0;
}

}  // namespace

TRemoteClient::TRemoteClient(TRemoteAccount account, TRemoteOptions options)
    : m_account(std::move(account)), m_options(std::move(options)) {}

TRemoteClient::~TRemoteClient() = default;

void TRemoteClient::Connect() {
  Disconnect();
  auto session = std::make_unique<TRemoteSession>();
  session->account = &m_account;
  session->options = &m_options;
  session->curl = NewCurlHandle(session->error);
  CURL* curl = session->curl.get();
  const bool sftp = m_account.protocol == TRemoteProtocol::Sftp;
  session->base_url = std::string(sftp ? "sftp://" : "ftp://") + UrlHost(m_account.host) + ":" +
                      std::to_string(m_account.port);

  curl_easy_setopt(curl, CURLOPT_USERNAME, m_account.username.c_str());
  curl_easy_setopt(curl, CURLOPT_PASSWORD, m_account.password.c_str());
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, m_options.connect_timeout_seconds);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, m_options.stall_timeout_seconds);
  curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, m_options.stall_timeout_seconds);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, m_options.total_timeout_seconds);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &ReportProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, session.get());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Discard);

  if (sftp) {
    MakeTrustFolder(m_options.trust_folder);
    const std::string known_hosts = JoinFolder(m_options.trust_folder, "known_hosts");
    curl_easy_setopt(curl, CURLOPT_SSH_KNOWNHOSTS, known_hosts.c_str());
    curl_easy_setopt(curl, CURLOPT_SSH_KEYFUNCTION, &CheckHostKey);
    curl_easy_setopt(curl, CURLOPT_SSH_KEYDATA, session.get());
    std::string key = m_options.ssh_private_key;
    if (key.empty()) {
      const char* home = std::getenv("HOME");
      for (const char* name : {"/.ssh/id_ed25519", "/.ssh/id_rsa"})
        if (home != nullptr && key.empty() && FileExists(std::string(home) + name))
          key = std::string(home) + name;
    }
    long methods = CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD;
    if (!key.empty()) {
      curl_easy_setopt(curl, CURLOPT_SSH_PRIVATE_KEYFILE, key.c_str());
      methods |= CURLSSH_AUTH_PUBLICKEY;
    }
    curl_easy_setopt(curl, CURLOPT_SSH_AUTH_TYPES, methods);
  } else {
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &RecordReply);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, session.get());
    // The folder commands are ours: libcurl sends every command in the current folder.
    curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    if (!m_account.passive) {
      curl_easy_setopt(curl, CURLOPT_FTPPORT, "-");
      curl_easy_setopt(curl, CURLOPT_FTP_USE_EPRT, 0L);
    }
    if (m_account.protocol == TRemoteProtocol::Ftpes) {
      curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
      curl_easy_setopt(curl, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
      curl_easy_setopt(curl, CURLOPT_SSL_CTX_FUNCTION, &SetUpTls);
      session->pin = TrustedCertificatePin(m_options.trust_folder, session->Server());
      if (!session->pin.empty()) {
        // A certificate the user accepted: its key is what counts, not a chain of trust.
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(curl, CURLOPT_PINNEDPUBLICKEY, session->pin.c_str());
      }
    }
  }
  m_session = std::move(session);
  try {
    if (sftp) {
      List("");
    } else {
      curl_easy_setopt(curl, CURLOPT_URL, (m_session->base_url + "/").c_str());
      curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
      Perform();
    }
  } catch (...) {
    Disconnect();
    throw;
  }
}

void TRemoteClient::ChangeFolder(const std::string& folder) {
  TRemoteSession& session = Session();
  if (!session.Ftp()) {
    if (folder.empty()) return;
    std::string target = folder.front() == '/' ? folder : session.sftp_folder + folder;
    if (target.back() != '/') target += '/';
    List(target);
    session.sftp_folder = target;
    return;
  }
  Command("CWD " + folder);
}

void TRemoteClient::MakeFolder(const std::string& name) {
  TRemoteSession& session = Session();
  if (session.Ftp()) {
    Command("MKD " + name);
    return;
  }
  std::string quoted = session.sftp_folder + name;
  for (size_t i = 0; i < quoted.size(); ++i)
    if (quoted[i] == '"' || quoted[i] == '\\') quoted.insert(i++, 1, '\\');
  Command("mkdir \"" + quoted + "\"");
}

void TRemoteClient::PutFile(const std::string& local_path, const std::string& remote_name,
                            const TBytesProgress& progress) {
  TRemoteSession& session = Session();
  TFile file(fopen(local_path.c_str(), "rb"), &fclose);
  if (!file) throw CannotOpenFileError(local_path, errno);
  struct stat info {};
  if (fstat(fileno(file.get()), &info) != 0) throw CannotOpenFileError(local_path, errno);
  CURL* curl = session.curl.get();
  curl_easy_setopt(curl, CURLOPT_URL, (FolderUrl() + Escaped(curl, remote_name)).c_str());
  curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(curl, CURLOPT_READFUNCTION, &ReadFromFile);
  curl_easy_setopt(curl, CURLOPT_READDATA, file.get());
  curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(info.st_size));
  session.progress = &progress;
  try {
    Perform();
  } catch (...) {
    session.progress = nullptr;
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 0L);
    throw;
  }
  session.progress = nullptr;
  curl_easy_setopt(curl, CURLOPT_UPLOAD, 0L);
}

void TRemoteClient::Disconnect() { m_session.reset(); }

TRemoteSession& TRemoteClient::Session() {
  if (!m_session) throw Error("Not connected.");
  return *m_session;
}

std::string TRemoteClient::FolderUrl() {
  TRemoteSession& session = Session();
  if (session.Ftp()) return session.base_url + "/";
  const std::string& folder = session.sftp_folder;
  CURL* curl = session.curl.get();
  if (!folder.empty() && folder.front() == '/') return session.base_url + EscapedPath(curl, folder);
  return session.base_url + "/~/" + EscapedPath(curl, folder);
}

void TRemoteClient::List(const std::string& sftp_folder) {
  TRemoteSession& session = Session();
  const std::string previous = session.sftp_folder;
  session.sftp_folder = sftp_folder;
  const std::string url = FolderUrl();
  session.sftp_folder = previous;
  CURL* curl = session.curl.get();
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_DIRLISTONLY, 1L);
  try {
    Perform();
  } catch (...) {
    curl_easy_setopt(curl, CURLOPT_DIRLISTONLY, 0L);
    throw;
  }
  curl_easy_setopt(curl, CURLOPT_DIRLISTONLY, 0L);
}

void TRemoteClient::Command(const std::string& command) {
  TRemoteSession& session = Session();
  CURL* curl = session.curl.get();
  TCurlList commands(curl_slist_append(nullptr, command.c_str()), &curl_slist_free_all);
  if (!commands) throw Error("Out of memory");
  curl_easy_setopt(curl, CURLOPT_URL, FolderUrl().c_str());
  curl_easy_setopt(curl, CURLOPT_QUOTE, commands.get());
  curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  try {
    Perform();
  } catch (...) {
    curl_easy_setopt(curl, CURLOPT_QUOTE, nullptr);
    throw;
  }
  curl_easy_setopt(curl, CURLOPT_QUOTE, nullptr);
}

void TRemoteClient::Perform() {
  TRemoteSession& session = Session();
  CURL* curl = session.curl.get();
  for (int attempt = 0;; ++attempt) {
    session.error[0] = '\0';
    session.last_reply.clear();
    session.last_reply_code = 0;
    session.seen_fingerprint.clear();
    t_verifying = &session;
    const CURLcode code = curl_easy_perform(curl);
    t_verifying = nullptr;
    curl_easy_setopt(curl, CURLOPT_NOBODY, 0L);
    if (code == CURLE_OK) return;
    if (attempt == 0 && AcceptUnknownServer(code)) {
      curl_easy_setopt(curl, CURLOPT_NOBODY, session.Ftp() ? 1L : 0L);
      continue;
    }
    throw Error(FailureText(code));
  }
}

bool TRemoteClient::AcceptUnknownServer(int code) {
  TRemoteSession& session = Session();
  if (code != CURLE_PEER_FAILED_VERIFICATION || session.seen_fingerprint.empty() ||
      session.host_key_changed || !session.pin.empty())
    return false;
  const bool host_key = !session.Ftp();
  if (!m_options.trust || !m_options.trust({session.Server(), host_key, session.seen_fingerprint}))
    return false;
  CURL* curl = session.curl.get();
  if (host_key) {
    session.accepted_host_key = session.seen_host_key;
  } else {
    StoreTrustedCertificate(m_options.trust_folder, session.Server(), session.seen_pin);
    session.pin = session.seen_pin;
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(curl, CURLOPT_PINNEDPUBLICKEY, session.pin.c_str());
  }
  return true;
}

std::string TRemoteClient::FailureText(int code) const {
  const TRemoteSession& session = *m_session;
  if (code == CURLE_ABORTED_BY_CALLBACK) return "De verbinding is afgebroken.";
  if (code == CURLE_PEER_FAILED_VERIFICATION && !session.seen_fingerprint.empty()) {
    if (session.host_key_changed)
      return "De hostsleutel van " + session.Server() + " is veranderd (" +
             session.seen_fingerprint + "). De verbinding is geweigerd.";
    return std::string(session.Ftp() ? "Het certificaat" : "De hostsleutel") + " van " +
           session.Server() + " wordt niet vertrouwd (" + session.seen_fingerprint + ").";
  }
  if (code == CURLE_SSL_PINNEDPUBKEYNOTMATCH)
    return "Het certificaat van " + session.Server() +
           " is veranderd sinds het werd geaccepteerd. De verbinding is geweigerd.";
  // A refusal by the server: its own words.
  if (session.Ftp() && session.last_reply_code >= 400 && !session.last_reply.empty())
    return session.last_reply;
  return CurlReason(static_cast<CURLcode>(code), session.error);
}

}  // namespace fotoloom
