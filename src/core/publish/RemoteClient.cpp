#include "core/publish/RemoteClient.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/base/SystemError.h"
#include "core/net/CurlHandle.h"
#include "core/net/NetFailure.h"
#include "core/net/PeerCertificate.h"
#include "core/net/ServerTrust.h"
#include "core/net/TextEncoding.h"

namespace fotoloom {

namespace {

// The removal of a partly sent file gets this long, whatever the server does.
constexpr long kRemovalSeconds = 10;

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

// An SFTP path as a quoted argument of a file-system request.
std::string SftpQuoted(std::string path) {
  for (size_t i = 0; i < path.size(); ++i)
    if (path[i] == '"' || path[i] == '\\') path.insert(i++, 1, '\\');
  return "\"" + path + "\"";
}

bool IsSet(const std::atomic<bool>* flag) {
  return flag != nullptr && flag->load();
}

}  // namespace

struct TRemoteSession {
  const TRemoteAccount* account = nullptr;
  const TRemoteOptions* options = nullptr;
  char error[CURL_ERROR_SIZE] = {};
  TCurlHandle curl{nullptr, &curl_easy_cleanup};
  std::string base_url;  // "scheme://host:port"
  std::string sftp_folder;  // SFTP: "" for the login folder, else ending in "/"
  // FTP: the folders entered since the login, in order, to find the way back on a new
  // connection.
  std::vector<std::string> ftp_folders;
  std::string last_reply;   // FTP: the text of the last final reply
  int last_reply_code = 0;
  bool transfer_accepted = false;  // FTP: a preliminary reply (150) came for the transfer
  bool removing = false;           // a partly sent file is being removed
  const TBytesProgress* progress = nullptr;
  std::string pin;  // FTPES: the accepted certificate's key
  // The identity of the server seen during the last connection attempt.
  std::string seen_fingerprint;
  TSeenCertificate certificate;  // FTPES
  std::string seen_host_key;
  std::string known_fingerprint;  // SFTP: the stored key when the server's differs
  bool host_key_changed = false;
  std::string accepted_host_key;  // SFTP: accepted by the user, to be stored on next sight
  std::string known_hosts;        // SFTP: the file of the trusted host keys

  std::string Server() const { return account->host + ":" + std::to_string(account->port); }
  bool Ftp() const { return account->protocol != TRemoteProtocol::Sftp; }
};

namespace {

int CheckHostKey(CURL*, const curl_khkey* known, const curl_khkey* found, curl_khmatch match,
                 void* data) {
  auto* session = static_cast<TRemoteSession*>(data);
  const std::string key(found->key, found->len);
  session->seen_host_key = key;
  session->seen_fingerprint = Sha256Fingerprint(key);
  switch (match) {
    case CURLKHMATCH_OK:
      return CURLKHSTAT_FINE;
    case CURLKHMATCH_MISSING:
      if (key != session->accepted_host_key) return CURLKHSTAT_REJECT;
      // Stored by us, not by libcurl: it writes the host without its port, so that the key
      // would hold for every port of that host.
      try {
        AddKnownHost(session->known_hosts, session->account->host, session->account->port, key);
      } catch (const Error&) {
        // Accepted for this session all the same; the user is asked again next time.
      }
      return CURLKHSTAT_FINE;
    default:
      session->host_key_changed = true;
      if (known != nullptr && known->key != nullptr)
        session->known_fingerprint = known->len == 0 ? Sha256FingerprintOfBase64(known->key)
                                                     : Sha256Fingerprint({known->key, known->len});
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
    if (line[0] == '1') session->transfer_accepted = true;
  }
  return size * count;
}

int ReportProgress(void* data, curl_off_t, curl_off_t, curl_off_t upload_total,
                   curl_off_t upload_now) {
  auto* session = static_cast<TRemoteSession*>(data);
  if (IsSet(session->options->cancel) || (!session->removing && IsSet(session->options->stop)))
    return 1;
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
  RefuseControlCharacters(m_account.host, "De hostnaam");
  RefuseControlCharacters(m_account.username, "De gebruikersnaam");
  RefuseControlCharacters(m_account.password, "Het wachtwoord");
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
    session->known_hosts = JoinFolder(m_options.trust_folder, "known_hosts");
    curl_easy_setopt(curl, CURLOPT_SSH_KNOWNHOSTS, session->known_hosts.c_str());
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
    // Over FTPES the data connections are always passive: libcurl 7.88 cannot open an
    // active one under TLS (the server is left with an empty file), and a firewall cannot
    // read the encrypted PORT command to let it through anyway.
    if (!m_account.passive && m_account.protocol == TRemoteProtocol::Ftp) {
      curl_easy_setopt(curl, CURLOPT_FTPPORT, "-");
      curl_easy_setopt(curl, CURLOPT_FTP_USE_EPRT, 0L);
    }
    if (m_account.protocol == TRemoteProtocol::Ftpes) {
      curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
      curl_easy_setopt(curl, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
      RecordPeerCertificate(curl, &session->certificate);
      // Servers such as vsftpd take a data connection only when it resumes the control
      // connection's TLS session. Under TLS 1.3 libcurl 7.88 resumes one that the server no
      // longer takes from the second transfer of a connection on ("522 SSL connection
      // failed: session reuse required"); TLS 1.2 resumes as these servers expect.
      curl_easy_setopt(curl, CURLOPT_SSLVERSION,
                       static_cast<long>(CURL_SSLVERSION_TLSv1_2) |
                           static_cast<long>(CURL_SSLVERSION_MAX_TLSv1_2));
      session->pin = TrustedCertificatePin(m_options.trust_folder, session->Server());
      if (!session->pin.empty()) PinPeerCertificate(curl, session->pin);
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
  RefuseControlCharacters(folder, "De mapnaam");
  TRemoteSession& session = Session();
  if (!session.Ftp()) {
    if (folder.empty()) return;
    std::string target = folder.front() == '/' ? folder : session.sftp_folder + folder;
    if (target.back() != '/') target += '/';
    List(target);
    session.sftp_folder = target;
    return;
  }
  Commands({"CWD " + folder});
  session.ftp_folders.push_back(folder);
}

void TRemoteClient::MakeFolder(const std::string& name) {
  RefuseControlCharacters(name, "De mapnaam");
  TRemoteSession& session = Session();
  Commands({session.Ftp() ? "MKD " + name : "mkdir " + SftpQuoted(session.sftp_folder + name)});
}

void TRemoteClient::ListFolder() {
  List(Session().sftp_folder);
}

void TRemoteClient::PutFile(const std::string& local_path, const std::string& remote_name,
                            const TBytesProgress& progress) {
  RefuseControlCharacters(remote_name, "De bestandsnaam");
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
  session.transfer_accepted = false;
  try {
    Perform();
  } catch (...) {
    session.progress = nullptr;
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 0L);
    // Only what this transfer began is removed: a refused STOR or an SFTP file that could
    // not be opened changed nothing on the server.
    curl_off_t sent = 0;
    curl_easy_getinfo(curl, CURLINFO_SIZE_UPLOAD_T, &sent);
    if (session.Ftp() ? session.transfer_accepted : sent > 0) RemovePartialFile(remote_name);
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

void TRemoteClient::Commands(const std::vector<std::string>& commands) {
  TRemoteSession& session = Session();
  CURL* curl = session.curl.get();
  const TCurlList list = CurlList(commands);
  curl_easy_setopt(curl, CURLOPT_URL, FolderUrl().c_str());
  curl_easy_setopt(curl, CURLOPT_QUOTE, list.get());
  curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  try {
    Perform();
  } catch (...) {
    curl_easy_setopt(curl, CURLOPT_QUOTE, nullptr);
    throw;
  }
  curl_easy_setopt(curl, CURLOPT_QUOTE, nullptr);
}

void TRemoteClient::RemovePartialFile(const std::string& remote_name) {
  TRemoteSession& session = Session();
  CURL* curl = session.curl.get();
  session.removing = true;
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, kRemovalSeconds);
  std::vector<std::string> commands;
  if (session.Ftp()) {
    // The failed transfer may have cost the connection, and a new one starts in the login
    // folder: a fresh connection that walks the same way again deletes the right file.
    curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
    for (const std::string& folder : session.ftp_folders) commands.push_back("CWD " + folder);
    commands.push_back("DELE " + remote_name);
  } else {
    commands.push_back("rm " + SftpQuoted(session.sftp_folder + remote_name));
  }
  try {
    Commands(commands);
  } catch (const Error&) {
    // The transfer's own error is what the user needs to see.
  }
  curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 0L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, m_options.total_timeout_seconds);
  session.removing = false;
}

void TRemoteClient::Perform() {
  TRemoteSession& session = Session();
  CURL* curl = session.curl.get();
  for (int attempt = 0;; ++attempt) {
    session.error[0] = '\0';
    session.last_reply.clear();
    session.last_reply_code = 0;
    session.seen_fingerprint.clear();
    session.certificate = {};
    const CURLcode code = curl_easy_perform(curl);
    if (session.Ftp()) session.seen_fingerprint = session.certificate.fingerprint;
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
  const std::string doubt = host_key ? std::string() : VerificationDoubt(session.certificate);
  if (!m_options.trust ||
      !m_options.trust({session.Server(), host_key, session.seen_fingerprint, doubt}))
    return false;
  CURL* curl = session.curl.get();
  if (host_key) {
    session.accepted_host_key = session.seen_host_key;
  } else {
    StoreTrustedCertificate(m_options.trust_folder, session.Server(), session.certificate.pin);
    session.pin = session.certificate.pin;
    PinPeerCertificate(curl, session.pin);
  }
  return true;
}

std::string TRemoteClient::FailureText(int curl_code) const {
  const TRemoteSession& session = *m_session;
  const auto code = static_cast<CURLcode>(curl_code);
  if (code == CURLE_PEER_FAILED_VERIFICATION && !session.seen_fingerprint.empty()) {
    if (session.host_key_changed)
      return KeyChangedText("De hostsleutel", session.Server(), session.known_fingerprint,
                            session.seen_fingerprint);
    if (!session.Ftp())
      return "De hostsleutel van " + session.Server() + " wordt niet vertrouwd (" +
             session.seen_fingerprint + ").";
    return "Het certificaat van " + session.Server() +
           " wordt niet vertrouwd: " + VerificationDoubt(session.certificate) + " (" +
           session.seen_fingerprint + ").";
  }
  if (code == CURLE_SSL_PINNEDPUBKEYNOTMATCH)
    return KeyChangedText("Het certificaat", session.Server(), PinFingerprint(session.pin),
                          session.seen_fingerprint);
  // A refusal by the server: its own words, with the reply code that tells what it was.
  std::string refusal;
  if (session.Ftp() && session.last_reply_code >= 400 && !session.last_reply.empty())
    refusal = std::to_string(session.last_reply_code) + " " + session.last_reply;
  return NetFailureText(code, session.Server(), refusal, CurlReason(code, session.error));
}

}  // namespace fotoloom
