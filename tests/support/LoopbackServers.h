#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace fotoloom::test {

// A server program started for a test and ended (SIGTERM) with it.
class ServerProcess {
 public:
  // Starts `argv`. With `announces_port` the program prints "PORT <n>" as its first line
  // once it listens; otherwise `port` is where it will listen, and the start waits until
  // that port takes connections.
  ServerProcess(const std::vector<std::string>& argv, bool announces_port, int port = 0);
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  int Port() const { return m_port; }

 private:
  void Stop();
  pid_t m_pid = -1;
  int m_port = 0;
};

// Runs a shell command; throws when it fails.
void RunShell(const std::string& command);
// Lines of a text file (none when it is missing).
std::vector<std::string> FileLines(const std::string& path);

// A self-signed certificate for `name` (an address or a host name): `folder`/cert.pem and
// `folder`/key.pem.
void MakeCertificate(const std::string& folder, const std::string& name = "127.0.0.1");

// pyftpdlib with one user (kFtpUser, kFtpPassword) whose root is `folder`/root/.
class FtpServer {
 public:
  static constexpr const char* kUser = "fotograaf";
  static constexpr const char* kPassword = "geheim";

  // `tls`: explicit TLS required, with the certificate of MakeCertificate(folder).
  // `drop_after`: the session is closed once a file named "*drop*" got that many bytes.
  // `no_list`: the user may not list folders.
  explicit FtpServer(const std::string& folder, bool tls = false, int drop_after = 0,
                     bool no_list = false);

  int Port() const { return m_process.Port(); }
  const std::string& Root() const { return m_root; }
  // The commands received so far, in order ("PASS ***" for the password).
  std::vector<std::string> Commands() const { return FileLines(m_log); }

 private:
  std::string m_root;
  std::string m_log;
  ServerProcess m_process;
};

// vsftpd requiring explicit TLS on the control and the data connections, with the
// certificate of MakeCertificate(folder). Started by the test's own user it cannot switch
// to a local account, so it takes the anonymous login (any password), with write rights in
// its root `folder`/vsftpd/ (which is no chroot: absolute paths are the machine's).
class VsftpdServer {
 public:
  static constexpr const char* kUser = "anonymous";

  explicit VsftpdServer(const std::string& folder);
  int Port() const { return m_process.Port(); }
  const std::string& Root() const { return m_root; }
  // The commands received so far, in order, as vsftpd logs them.
  std::vector<std::string> Commands() const;

 private:
  std::string m_root;
  std::string m_log;
  ServerProcess m_process;
};

// Python's http.server; records the path of every request.
class HttpServer {
 public:
  explicit HttpServer(const std::string& folder);
  int Port() const { return m_process.Port(); }
  std::string Url(const std::string& path) const;
  std::vector<std::string> Requests() const { return FileLines(m_log); }

 private:
  std::string m_log;
  ServerProcess m_process;
};

// aiosmtpd that keeps every message it accepts, parsed, in `folder`.
class SmtpServer {
 public:
  static constexpr const char* kUser = "fotograaf@example.nl";
  static constexpr const char* kPassword = "geheim";

  enum class Security { None, StartTls, SslTls };
  // StartTls and SslTls use the certificate of MakeCertificate(folder). `login` requires
  // AUTH with kUser and kPassword.
  enum class Behaviour { Normal, Silent, StallAfterData, RefuseSecondMessage };
  SmtpServer(const std::string& folder, Security security, bool login = false,
             Behaviour behaviour = Behaviour::Normal);
  int Port() const { return m_process.Port(); }

  // The mails received so far: the summary lines of each ("FROM a", "RCPT b",
  // "SUBJECT c", "ATTACH image/jpeg d.jpg"), and the decoded body and attachments.
  int MailCount() const;
  std::vector<std::string> Summary(int mail) const;
  std::string Body(int mail) const;
  std::string Attachment(int mail, int number) const;
  // The message as it arrived, headers and all.
  std::string Message(int mail) const;
  // "AUTH <mechanism>" for every login attempt so far.
  std::vector<std::string> Logins() const { return FileLines(m_folder + "auth.log"); }

 private:
  std::string m_folder;
  ServerProcess m_process;
};

// OpenSSH's sshd with an SFTP subsystem, its own host key and a client key pair, logging
// in the current user by key.
class SftpServer {
 public:
  explicit SftpServer(const std::string& folder);
  int Port() const { return m_process.Port(); }
  const std::string& ClientKey() const { return m_client_key; }
  static std::string User();

 private:
  std::string m_client_key;
  ServerProcess m_process;
};

}  // namespace fotoloom::test
