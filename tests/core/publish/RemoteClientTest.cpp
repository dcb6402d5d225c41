#include "core/publish/RemoteClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/LoopbackServers.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

namespace fs = std::filesystem;

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
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
                          server.fingerprint);
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
  TRemoteClient refused(account, Options(false));
  EXPECT_THROW(
      try { refused.Connect(); } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "Authentication failed.");
        throw;
      },
      Error);

  account.password = test::FtpServer::kPassword;
  TRemoteClient client(account, Options(false));
  client.Connect();
  EXPECT_THROW(
      try { client.MakeFolder("bestaat"); } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "File exists.");
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
    EXPECT_NE(std::string(error.what()).find("wordt niet vertrouwd (SHA256:"), std::string::npos)
        << error.what();
  }
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0].rfind(server_name + " cert SHA256:", 0), 0u) << questions[0];
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
  try {
    client.Connect();
    FAIL() << "a changed certificate was accepted";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find("is veranderd"), std::string::npos) << error.what();
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
}

}  // namespace
}  // namespace fotoloom
