#include "core/publish/RemoteClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "support/LoopbackServers.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

namespace fs = std::filesystem;

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool HasText(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The first word of the only line of a file that a shell command wrote.
std::string ShellWord(const std::string& command, const std::string& file) {
  test::RunShell(command + " > '" + file + "'");
  const auto lines = test::FileLines(file);
  return lines.empty() ? "" : lines[0].substr(0, lines[0].find(' '));
}

bool HasPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
}

// Bytes of every value, so that a text-mode transfer or a cut-off shows.
std::vector<uint8_t> PhotoBytes(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 256);
  if (size > 12) {
    bytes[10] = '\r';
    bytes[11] = '\n';
    bytes[12] = '\n';
  }
  return bytes;
}

class RemoteClientTest : public ::testing::Test {
 protected:
  test::TempDir server_dir;
  test::TempDir local;
  test::TempDir trust;
  std::vector<std::string> questions;

  std::string LocalPhoto(const std::string& name, size_t size) {
    test::WriteFileBytes(local.File(name), PhotoBytes(size));
    return local.File(name);
  }

  TRemoteOptions Options(bool accept) {
    TRemoteOptions options;
    options.trust_folder = trust.Path();
    options.trust = [this, accept](const TUnknownServer& server) {
      questions.push_back(server.host + (server.host_key ? " key " : " cert ") +
                          server.fingerprint + (server.doubt.empty() ? "" : " " + server.doubt));
      return accept;
    };
    return options;
  }
};

TEST_F(RemoteClientTest, FtpSendsBinaryFilesInActiveAndPassiveMode) {
  test::FtpServer server(server_dir.Path());
  fs::create_directories(server.Root() + "www");
  const std::string photo = LocalPhoto("foto 1.jpg", 300000);
  for (const bool passive : {false, true}) {
    SCOPED_TRACE(passive ? "passive" : "active");
    TRemoteClient client({TRemoteProtocol::Ftp, "127.0.0.1", server.Port(),
                          test::FtpServer::kUser, test::FtpServer::kPassword, "", passive},
                         Options(false));
    client.Connect();
    client.ChangeFolder("www");
    uint64_t last_sent = 0, last_total = 0;
    client.PutFile(photo, passive ? "b.jpg" : "a b.jpg", [&](uint64_t sent, uint64_t total) {
      EXPECT_GE(sent, last_sent);
      last_sent = sent;
      last_total = total;
    });
    client.Disconnect();
    EXPECT_EQ(last_sent, 300000u);
    EXPECT_EQ(last_total, 300000u);
    EXPECT_EQ(test::ReadFileBytes(server.Root() + (passive ? "www/b.jpg" : "www/a b.jpg")),
              PhotoBytes(300000));
  }
  const auto commands = server.Commands();
  EXPECT_TRUE(HasPrefix(commands, "PORT 127,0,0,1,"));
  EXPECT_TRUE(HasPrefix(commands, "EPSV") || HasPrefix(commands, "PASV"));
  EXPECT_FALSE(HasPrefix(commands, "EPRT"));
  EXPECT_TRUE(Has(commands, "TYPE I"));
  EXPECT_TRUE(Has(commands, "STOR a b.jpg"));
  EXPECT_TRUE(Has(commands, "QUIT"));
}

TEST_F(RemoteClientTest, FtpRefusalsCarryTheServersReply) {
  test::FtpServer server(server_dir.Path());
  fs::create_directories(server.Root() + "bestaat");
  TRemoteAccount account{TRemoteProtocol::Ftp, "127.0.0.1", server.Port(), test::FtpServer::kUser,
                         "fout", "", true};
  const std::string server_name = "127.0.0.1:" + std::to_string(server.Port());
  TRemoteClient refused(account, Options(false));
  EXPECT_THROW(
      try { refused.Connect(); } catch (const Error& error) {
        EXPECT_EQ(error.what(), "De server " + server_name +
                                    " heeft de gebruikersnaam of het wachtwoord geweigerd. (530 "
                                    "Authentication failed.)");
        throw;
      },
      Error);

  account.password = test::FtpServer::kPassword;
  TRemoteClient client(account, Options(false));
  client.Connect();
  EXPECT_THROW(
      try { client.MakeFolder("bestaat"); } catch (const Error& error) {
        EXPECT_EQ(error.what(),
                  "De server " + server_name + " heeft de opdracht geweigerd. (550 File exists.)");
        throw;
      },
      Error);
  // An empty folder is still sent (this server takes it for the login folder).
  client.ChangeFolder("");
  EXPECT_TRUE(Has(server.Commands(), "CWD "));
  EXPECT_THROW(client.ChangeFolder("bestaat-niet"), Error);
  // A local file that cannot be opened.
  EXPECT_THROW(
      try { client.PutFile(local.File("weg.jpg"), "weg.jpg"); } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("Cannot open file"), std::string::npos);
        throw;
      },
      Error);
  // The session goes on after each refusal.
  client.MakeFolder("nieuw");
  client.ChangeFolder("nieuw");
  client.PutFile(LocalPhoto("x.jpg", 10), "x.jpg");
  EXPECT_TRUE(fs::exists(server.Root() + "nieuw/x.jpg"));
}

TEST_F(RemoteClientTest, NamesWithLineBreaksNeverReachTheServer) {
  test::FtpServer server(server_dir.Path());
  fs::create_directories(server.Root() + "www");
  test::WriteFileBytes(server.Root() + "index.html", {'x'});
  const std::string photo = LocalPhoto("a.jpg", 10);
  TRemoteClient client({TRemoteProtocol::Ftp, "127.0.0.1", server.Port(), test::FtpServer::kUser,
                        test::FtpServer::kPassword, "", true},
                       Options(false));
  client.Connect();
  const std::function<void()> calls[] = {
      [&] { client.ChangeFolder("www\r\nDELE index.html"); },
      [&] { client.MakeFolder("nieuw\r\nRMD www"); },
      [&] { client.PutFile(photo, "a.jpg\r\nDELE index.html"); },
  };
  for (const auto& call : calls) EXPECT_THROW(call(), Error);
  TRemoteClient login({TRemoteProtocol::Ftp, "127.0.0.1", server.Port(), test::FtpServer::kUser,
                       std::string(test::FtpServer::kPassword) + "\r\nDELE index.html", "", true},
                      Options(false));
  EXPECT_THROW(login.Connect(), Error);
  client.Disconnect();
  for (const std::string& command : server.Commands()) {
    EXPECT_EQ(command.find("DELE"), std::string::npos) << command;
    EXPECT_EQ(command.find("RMD"), std::string::npos) << command;
  }
  EXPECT_TRUE(fs::exists(server.Root() + "index.html"));
  EXPECT_TRUE(fs::exists(server.Root() + "www"));
}

TEST_F(RemoteClientTest, FtpesRefusesAnUntrustedCertificateUntilTheUserAcceptsIt) {
  test::MakeCertificate(server_dir.Path());
  test::FtpServer server(server_dir.Path(), true);
  const TRemoteAccount account{TRemoteProtocol::Ftpes, "127.0.0.1", server.Port(),
                               test::FtpServer::kUser, test::FtpServer::kPassword, "", true};
  const std::string server_name = "127.0.0.1:" + std::to_string(server.Port());
  TRemoteClient refusing(account, Options(false));
  try {
    refusing.Connect();
    FAIL() << "an untrusted certificate was accepted";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what())
                  .find("wordt niet vertrouwd: het certificaat is door de server zelf "
                        "ondertekend (SHA256:"),
              std::string::npos)
        << error.what();
  }
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0].rfind(server_name + " cert SHA256:", 0), 0u) << questions[0];
  EXPECT_TRUE(HasText(questions[0], " het certificaat is door de server zelf ondertekend"))
      << questions[0];
  EXPECT_FALSE(Has(server.Commands(), "PASS ***"));  // the password never went out

  TRemoteClient accepting(account, Options(true));
  accepting.Connect();
  accepting.PutFile(LocalPhoto("a.jpg", 200000), "a.jpg");
  accepting.Disconnect();
  EXPECT_EQ(test::ReadFileBytes(server.Root() + "a.jpg"), PhotoBytes(200000));

  // Remembered: no second question.
  TRemoteClient again(account, Options(false));
  again.Connect();
  again.Disconnect();
  EXPECT_EQ(questions.size(), 2u);
  const auto commands = server.Commands();
  EXPECT_TRUE(Has(commands, "AUTH TLS"));
  EXPECT_TRUE(Has(commands, "PROT P"));
}

TEST_F(RemoteClientTest, FtpesRefusesACertificateThatChangedAfterItWasAccepted) {
  test::MakeCertificate(server_dir.Path());
  test::FtpServer server(server_dir.Path(), true);
  const std::string server_name = "127.0.0.1:" + std::to_string(server.Port());
  // Accepted earlier: a key that is not this server's.
  const std::string line = server_name + " sha256//" + std::string(43, 'A') + "=\n";
  test::WriteFileBytes(trust.File("trusted-certificates"),
                       std::vector<uint8_t>(line.begin(), line.end()));
  TRemoteClient client({TRemoteProtocol::Ftpes, "127.0.0.1", server.Port(), test::FtpServer::kUser,
                        test::FtpServer::kPassword, "", true},
                       Options(true));
  // The server's own key, as the message should show it next to the stored one.
  std::string seen = ShellWord("openssl x509 -in '" + server_dir.File("cert.pem") +
                                   "' -pubkey -noout | openssl pkey -pubin -outform DER |"
                                   " openssl dgst -sha256 -binary | base64",
                               server_dir.File("seen"));
  while (!seen.empty() && seen.back() == '=') seen.pop_back();
  try {
    client.Connect();
    FAIL() << "a changed certificate was accepted";
  } catch (const Error& error) {
    const std::string text = error.what();
    EXPECT_EQ(text.rfind("Het certificaat van " + server_name + " is veranderd", 0), 0u) << text;
    EXPECT_TRUE(HasText(text, "eerder SHA256:" + std::string(43, 'A') + ","));
    EXPECT_TRUE(HasText(text, "nu SHA256:" + seen + ")")) << text;
  }
  EXPECT_TRUE(questions.empty());
  EXPECT_FALSE(Has(server.Commands(), "PASS ***"));
}

TEST_F(RemoteClientTest, SftpAsksForAnUnknownHostKeyAndSendsIntoFolders) {
  test::SftpServer server(server_dir.Path());
  const std::string remote = server_dir.Path() + "/upload";
  fs::create_directories(remote);
  const TRemoteAccount account{TRemoteProtocol::Sftp, "127.0.0.1", server.Port(),
                               test::SftpServer::User(), "", remote, false};
  auto options = [&](bool accept) {
    TRemoteOptions result = Options(accept);
    result.ssh_private_key = server.ClientKey();
    return result;
  };
  TRemoteClient refusing(account, options(false));
  try {
    refusing.Connect();
    FAIL() << "an unknown host key was accepted";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find("hostsleutel"), std::string::npos) << error.what();
  }
  ASSERT_EQ(questions.size(), 1u);

  TRemoteClient client(account, options(true));
  client.Connect();
  client.ChangeFolder(remote);
  client.MakeFolder("groep 1");
  client.ChangeFolder("groep 1");
  client.PutFile(LocalPhoto("a.jpg", 250000), "foto a.jpg");
  EXPECT_THROW(client.ChangeFolder("bestaat-niet"), Error);
  EXPECT_THROW(client.MakeFolder(""), Error);
  client.Disconnect();
  EXPECT_EQ(test::ReadFileBytes(remote + "/groep 1/foto a.jpg"), PhotoBytes(250000));
  EXPECT_EQ(questions.size(), 2u);

  TRemoteClient again(account, options(false));
  again.Connect();
  EXPECT_EQ(questions.size(), 2u);
  EXPECT_EQ(questions[0], questions[1]);
  // Stored for this port only, as OpenSSH writes it.
  const auto known = test::FileLines(trust.File("known_hosts"));
  ASSERT_EQ(known.size(), 1u);
  EXPECT_EQ(known[0].rfind("[127.0.0.1]:" + std::to_string(server.Port()) + " ssh-ed25519 ", 0), 0u)
      << known[0];
}

TEST_F(RemoteClientTest, SftpRemovesThePartOfAStoppedTransfer) {
  test::SftpServer server(server_dir.Path());
  const std::string remote = server_dir.Path() + "/upload/";
  fs::create_directories(remote);
  std::atomic<bool> stop{false};
  TRemoteOptions options = Options(true);
  options.ssh_private_key = server.ClientKey();
  options.stop = &stop;
  TRemoteClient client({TRemoteProtocol::Sftp, "127.0.0.1", server.Port(),
                        test::SftpServer::User(), "", "", false},
                       options);
  client.Connect();
  client.ChangeFolder(remote);
  const std::string photo = LocalPhoto("groot.jpg", 8000000);
  bool stopped_midway = false;
  EXPECT_THROW(client.PutFile(photo, "groot.jpg",
                              [&](uint64_t sent, uint64_t total) {
                                if (sent > 0 && sent < total && !stop) {
                                  stopped_midway = true;
                                  stop = true;
                                }
                              }),
               Error);
  EXPECT_TRUE(stopped_midway);
  EXPECT_FALSE(fs::exists(remote + "groot.jpg"));
}

TEST_F(RemoteClientTest, SftpRefusesAChangedHostKeyShowingTheStoredAndTheNewFingerprint) {
  test::SftpServer server(server_dir.Path());
  const std::string server_name = "127.0.0.1:" + std::to_string(server.Port());
  // Accepted earlier: another key for this host and port.
  test::RunShell("ssh-keygen -q -t ed25519 -N '' -f '" + local.File("old_key") + "'");
  const auto old_key = test::FileLines(local.File("old_key.pub"));
  ASSERT_EQ(old_key.size(), 1u);
  const std::string line = "[127.0.0.1]:" + std::to_string(server.Port()) + " " + old_key[0] + "\n";
  test::WriteFileBytes(trust.File("known_hosts"), std::vector<uint8_t>(line.begin(), line.end()));
  const auto fingerprint = [&](const std::string& public_key) {
    return ShellWord("ssh-keygen -lf '" + public_key + "' | cut -d' ' -f2",
                     local.File("fingerprint"));
  };
  TRemoteOptions options = Options(true);
  options.ssh_private_key = server.ClientKey();
  TRemoteClient client(
      {TRemoteProtocol::Sftp, "127.0.0.1", server.Port(), test::SftpServer::User(), "", "", false},
      options);
  try {
    client.Connect();
    FAIL() << "a changed host key was accepted";
  } catch (const Error& error) {
    const std::string text = error.what();
    EXPECT_EQ(text.rfind("De hostsleutel van " + server_name + " is veranderd", 0), 0u) << text;
    EXPECT_TRUE(HasText(text, "eerder " + fingerprint(local.File("old_key.pub")) + ",")) << text;
    EXPECT_TRUE(HasText(text, "nu " + fingerprint(server_dir.File("host_key.pub")) + ")")) << text;
  }
  EXPECT_TRUE(questions.empty());
}

}  // namespace
}  // namespace fotoloom
