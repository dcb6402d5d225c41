#include "support/LoopbackServers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace fotoloom::test {

namespace {

constexpr const char* kPython = "/usr/bin/python3";

std::string ServersFolder() { return std::string(FOTOLOOM_FIXTURES_DIR) + "/../support/servers/"; }

std::string ReadPortLine(int fd) {
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (line.find('\n') == std::string::npos) {
    pollfd wait{fd, POLLIN, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || poll(&wait, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[64];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) break;
    line.append(buffer, static_cast<size_t>(got));
  }
  return line;
}

bool Accepts(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return connected;
}

int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(fd);
    throw std::runtime_error("no free port");
  }
  close(fd);
  return ntohs(address.sin_port);
}

}  // namespace

ServerProcess::ServerProcess(const std::vector<std::string>& argv, bool announces_port, int port)
    : m_port(port) {
  int out[2];
  if (pipe(out) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  // setpriv makes the server die with the test, so a test that crashes or is killed
  // leaves no server behind holding the runner's output pipe open.
  std::vector<std::string> command = {"/usr/bin/setpriv", "--pdeathsig", "TERM", "--"};
  command.insert(command.end(), argv.begin(), argv.end());
  std::vector<char*> args;
  for (const std::string& arg : command) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const int failed = posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (failed != 0) {
    close(out[0]);
    throw std::runtime_error("cannot start " + argv[0]);
  }
  if (announces_port) {
    const std::string line = ReadPortLine(out[0]);
    close(out[0]);
    if (line.rfind("PORT ", 0) != 0) {
      Stop();
      throw std::runtime_error(argv[1] + " did not start: " + line);
    }
    m_port = std::atoi(line.c_str() + 5);
    return;
  }
  close(out[0]);
  for (int i = 0; i < 300 && !Accepts(m_port); ++i) {
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
      m_pid = -1;
      throw std::runtime_error(argv[0] + " ended at its start");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

ServerProcess::~ServerProcess() { Stop(); }

void ServerProcess::Stop() {
  if (m_pid <= 0) return;
  kill(m_pid, SIGTERM);
  int status = 0;
  waitpid(m_pid, &status, 0);
  m_pid = -1;
}

void RunShell(const std::string& command) {
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

std::vector<std::string> FileLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream file(path);
  std::string line;
  while (std::getline(file, line)) lines.push_back(line);
  return lines;
}

void MakeCertificate(const std::string& folder, const std::string& name) {
  const bool address = name.find_first_not_of("0123456789.") == std::string::npos;
  RunShell(
      "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
      " -subj /CN=" +
      name + " -addext subjectAltName=" + (address ? "IP:" : "DNS:") + name + " -keyout '" +
      folder + "/key.pem' -out '" + folder + "/cert.pem' 2>/dev/null");
}

namespace {

std::vector<std::string> FtpArguments(const std::string& folder, bool tls, int drop_after,
                                      bool no_list) {
  mkdir((folder + "/root").c_str(), 0755);
  std::vector<std::string> argv = {kPython, ServersFolder() + "ftp_server.py", folder + "/root",
                                   FtpServer::kUser, FtpServer::kPassword, folder + "/ftp.log"};
  if (tls) argv.insert(argv.end(), {"--tls", folder + "/cert.pem", folder + "/key.pem"});
  if (drop_after > 0) argv.insert(argv.end(), {"--drop-after", std::to_string(drop_after)});
  if (no_list) argv.push_back("--no-list");
  return argv;
}

}  // namespace

FtpServer::FtpServer(const std::string& folder, bool tls, int drop_after, bool no_list)
    : m_root(folder + "/root/"),
      m_log(folder + "/ftp.log"),
      m_process(FtpArguments(folder, tls, drop_after, no_list), true) {}

namespace {

std::vector<std::string> VsftpdArguments(const std::string& folder, int port) {
  mkdir((folder + "/vsftpd").c_str(), 0755);
  mkdir((folder + "/vsftpd-empty").c_str(), 0755);
  const int data_port = FreePort();
  std::ofstream config(folder + "/vsftpd.conf");
  config << "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" << port
         << "\nbackground=NO\nrun_as_launching_user=YES\nseccomp_sandbox=NO\n"
            "secure_chroot_dir="
         << folder
         << "/vsftpd-empty\nanonymous_enable=YES\nno_anon_password=YES\nanon_root=" << folder
         << "/vsftpd\nlocal_enable=NO\nwrite_enable=YES\nanon_upload_enable=YES\n"
            "anon_mkdir_write_enable=YES\nanon_other_write_enable=YES\nanon_umask=022\n"
            "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\n"
            "force_anon_data_ssl=YES\nssl_ciphers=HIGH\nrsa_cert_file="
         << folder << "/cert.pem\nrsa_private_key_file=" << folder
         << "/key.pem\nconnect_from_port_20=NO\npasv_min_port=" << data_port
         << "\npasv_max_port=" << data_port
         << "\nxferlog_enable=YES\nlog_ftp_protocol=YES\nvsftpd_log_file=" << folder
         << "/vsftpd.log\n";
  config.close();
  return {"/usr/sbin/vsftpd", folder + "/vsftpd.conf"};
}

}  // namespace

VsftpdServer::VsftpdServer(const std::string& folder)
    : m_root(folder + "/vsftpd/"), m_log(folder + "/vsftpd.log"), m_process([&] {
        const int port = FreePort();
        return ServerProcess(VsftpdArguments(folder, port), false, port);
      }()) {}

std::vector<std::string> VsftpdServer::Commands() const {
  // ... FTP command: Client "127.0.0.1", "STOR a.jpg"
  const std::string marker = "FTP command: Client \"";
  std::vector<std::string> commands;
  for (const std::string& line : FileLines(m_log)) {
    const auto at = line.find(marker);
    const auto open = line.find(", \"", at);
    if (at == std::string::npos || open == std::string::npos || line.back() != '"') continue;
    commands.push_back(line.substr(open + 3, line.size() - open - 4));
  }
  return commands;
}

HttpServer::HttpServer(const std::string& folder)
    : m_log(folder + "/http.log"),
      m_process({kPython, ServersFolder() + "http_server.py", folder + "/http.log"}, true) {}

std::string HttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(Port()) + path;
}

namespace {

std::vector<std::string> SmtpArguments(const std::string& folder, SmtpServer::Security security,
                                       bool login, SmtpServer::Behaviour behaviour) {
  mkdir((folder + "/smtp").c_str(), 0755);
  std::vector<std::string> argv = {kPython, ServersFolder() + "smtp_server.py", folder + "/smtp"};
  if (security == SmtpServer::Security::StartTls)
    argv.insert(argv.end(), {"--starttls", folder + "/cert.pem", folder + "/key.pem"});
  if (security == SmtpServer::Security::SslTls)
    argv.insert(argv.end(), {"--ssl", folder + "/cert.pem", folder + "/key.pem"});
  if (login) argv.insert(argv.end(), {"--login", SmtpServer::kUser, SmtpServer::kPassword});
  if (behaviour == SmtpServer::Behaviour::Silent) argv.push_back("--silent");
  if (behaviour == SmtpServer::Behaviour::StallAfterData) argv.push_back("--stall");
  if (behaviour == SmtpServer::Behaviour::RefuseSecondMessage)
    argv.insert(argv.end(), {"--refuse", "2"});
  return argv;
}

std::string ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

}  // namespace

SmtpServer::SmtpServer(const std::string& folder, Security security, bool login,
                       Behaviour behaviour)
    : m_folder(folder + "/smtp/"),
      m_process(SmtpArguments(folder, security, login, behaviour), true) {}

int SmtpServer::MailCount() const {
  int count = 0;
  while (std::ifstream(m_folder + "mail-" + std::to_string(count + 1) + ".txt")) ++count;
  return count;
}

std::vector<std::string> SmtpServer::Summary(int mail) const {
  return FileLines(m_folder + "mail-" + std::to_string(mail) + ".txt");
}

std::string SmtpServer::Body(int mail) const {
  return ReadAll(m_folder + "mail-" + std::to_string(mail) + ".body");
}

std::string SmtpServer::Attachment(int mail, int number) const {
  return ReadAll(m_folder + "mail-" + std::to_string(mail) + "-" + std::to_string(number));
}

std::string SmtpServer::Message(int mail) const {
  return ReadAll(m_folder + "mail-" + std::to_string(mail) + ".eml");
}

namespace {

std::vector<std::string> SshdArguments(const std::string& folder, int port) {
  RunShell("ssh-keygen -q -t ed25519 -N '' -f '" + folder + "/host_key'");
  RunShell("ssh-keygen -q -t ecdsa -m PEM -N '' -f '" + folder + "/client_key'");
  RunShell("cp '" + folder + "/client_key.pub' '" + folder + "/authorized_keys'");
  // sshd run by root wants its privilege separation folder.
  if (geteuid() == 0) mkdir("/run/sshd", 0755);
  std::ofstream config(folder + "/sshd_config");
  config << "Port " << port << "\nListenAddress 127.0.0.1\nHostKey " << folder
         << "/host_key\nPidFile " << folder << "/sshd.pid\nAuthorizedKeysFile " << folder
         << "/authorized_keys\nPermitRootLogin yes\nStrictModes no\nUsePAM no\n"
            "PasswordAuthentication no\nKbdInteractiveAuthentication no\n"
            "Subsystem sftp internal-sftp\n";
  config.close();
  return {"/usr/sbin/sshd", "-D", "-E", folder + "/sshd.log", "-f", folder + "/sshd_config"};
}

}  // namespace

SftpServer::SftpServer(const std::string& folder)
    : m_client_key(folder + "/client_key"),
      m_process([&] {
        const int port = FreePort();
        return ServerProcess(SshdArguments(folder, port), false, port);
      }()) {}

std::string SftpServer::User() {
  const passwd* entry = getpwuid(geteuid());
  return entry != nullptr ? entry->pw_name : "root";
}

}  // namespace fotoloom::test
