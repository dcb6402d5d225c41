#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/publish/RemoteAccount.h"

namespace fotoloom {

struct TRemoteSession;

// Bytes of the file being sent so far, and its size.
using TBytesProgress = std::function<void(uint64_t sent, uint64_t total)>;

struct TRemoteOptions {
  // Where accepted certificates ("trusted-certificates") and SSH host keys ("known_hosts")
  // are kept; created when something is stored.
  std::string trust_folder;
  TTrustQuestion trust;  // none: an untrusted server is refused
  long connect_timeout_seconds = 15;
  long stall_timeout_seconds = 60;  // a transfer without any progress for this long fails
  long total_timeout_seconds = 0;   // every operation as a whole; 0 for no limit
  // Set from any thread: the operation under way fails as soon as possible, also the
  // removal of a partly sent file (the program is closing).
  const std::atomic<bool>* cancel = nullptr;
  // Set from any thread: the operation under way fails as soon as possible (the user
  // stops); a partly sent file is still removed.
  const std::atomic<bool>* stop = nullptr;
  // SFTP: the private key to log in with; empty tries ~/.ssh/id_ed25519 and ~/.ssh/id_rsa
  // before the password.
  std::string ssh_private_key;
};

// One session with an FTP, FTPES or SFTP server, on libcurl. Every operation blocks until
// it is done and throws Error when it fails: a Dutch sentence, then the server's reply or
// the library's reason in parentheses. A name or a login value with a control character is
// refused before anything is sent. FTP transfers are binary; over FTPES the commands and
// the data are encrypted, and the data connections are always passive.
class TRemoteClient {
 public:
  TRemoteClient(TRemoteAccount account, TRemoteOptions options);
  ~TRemoteClient();
  TRemoteClient(const TRemoteClient&) = delete;
  TRemoteClient& operator=(const TRemoteClient&) = delete;

  // Opens the connection and logs in.
  void Connect();
  // CWD with the folder as given, also an empty one (SFTP: the folder must exist; an
  // empty one is the login folder).
  void ChangeFolder(const std::string& folder);
  // MKD of a folder in the current one.
  void MakeFolder(const std::string& name);
  // Lists the current folder over a data connection (FTP: NLST).
  void ListFolder();
  // STOR of a local file under `remote_name` in the current folder. When the transfer fails
  // after the server accepted it, the partial file is removed (as far as the server lets
  // it) before the error goes up.
  void PutFile(const std::string& local_path, const std::string& remote_name,
               const TBytesProgress& progress = {});
  // Ends the session (FTP: QUIT) and closes the connection; harmless when not connected.
  void Disconnect();

 private:
  TRemoteSession& Session();
  std::string FolderUrl();
  // SFTP: lists a folder to see that it is there ("" the login folder).
  void List(const std::string& sftp_folder);
  // Commands of their own (FTP) or file-system requests (SFTP) in the current folder.
  void Commands(const std::vector<std::string>& commands);
  // Best effort: a failure to remove it is ignored.
  void RemovePartialFile(const std::string& remote_name);
  // Runs the request set up on the handle; asks about an unknown server once.
  void Perform();
  bool AcceptUnknownServer(int curl_code);
  std::string FailureText(int curl_code) const;

  TRemoteAccount m_account;
  TRemoteOptions m_options;
  std::unique_ptr<TRemoteSession> m_session;
};

}  // namespace fotoloom
