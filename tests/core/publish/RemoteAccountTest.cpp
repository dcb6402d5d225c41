#include "core/publish/RemoteAccount.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>

#include "support/LoopbackServers.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

using P = TRemoteProtocol;

TEST(MakeRemoteAccountTest, SchemeAndPortOfTheHostText) {
  struct Case {
    const char* typed;
    P chosen;
    P protocol;
    const char* host;
    int port;
  };
  constexpr std::array kCases = {
      Case{"ftp.example.nl", P::Ftp, P::Ftp, "ftp.example.nl", 21},
      Case{"  ftp.example.nl  ", P::Sftp, P::Sftp, "ftp.example.nl", 22},
      Case{"ftp.example.nl:2121", P::Ftp, P::Ftp, "ftp.example.nl", 2121},
      Case{"sftp://example.nl", P::Ftp, P::Sftp, "example.nl", 22},
      Case{"SFTP://example.nl:2222/", P::Ftp, P::Sftp, "example.nl", 2222},
      Case{"ftpes://example.nl", P::Ftp, P::Ftpes, "example.nl", 21},
      Case{"ftp://example.nl/www/", P::Sftp, P::Ftp, "example.nl", 21},
      Case{"[::1]:990", P::Ftpes, P::Ftpes, "::1", 990},
      Case{"ftp://[::1]", P::Sftp, P::Ftp, "::1", 21},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.typed);
    const TRemoteAccount account = MakeRemoteAccount(c.typed, c.chosen, "u", "p", "www/", true);
    EXPECT_EQ(account.protocol, c.protocol);
    EXPECT_EQ(account.host, c.host);
    EXPECT_EQ(account.port, c.port);
    EXPECT_EQ(account.start_folder, "www/");
    EXPECT_TRUE(account.passive);
  }
}

TEST(MakeRemoteAccountTest, RefusesWhatNamesNoServer) {
  for (const char* typed : {"", "   ", "ftp://", "http://example.nl", "example.nl:", "example.nl:0",
                            "example.nl:65536", "example.nl:21a", "[::1", "[::1]x"}) {
    SCOPED_TRACE(typed);
    EXPECT_THROW(MakeRemoteAccount(typed, P::Ftp, "u", "p", "", false), Error);
  }
}

TEST(MakeRemoteAccountTest, RefusesLineBreaksAndControlCharactersNamingTheField) {
  struct Case {
    const char* field;
    std::array<const char*, 4> texts;  // host, user name, password, start folder
  };
  const Case cases[] = {
      {"De hostnaam", {"ftp.example.nl\r\nDELE index.html", "u", "p", ""}},
      {"De gebruikersnaam", {"ftp.example.nl", "u\r\nDELE index.html", "p", ""}},
      {"Het wachtwoord", {"ftp.example.nl", "u", "p\nRMD /www", ""}},
      {"De startmap", {"ftp.example.nl", "u", "p", "www\rRMD /www"}},
      {"De startmap", {"ftp.example.nl", "u", "p", "www\t"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field) + ": " + c.texts[3]);
    try {
      MakeRemoteAccount(c.texts[0], P::Ftp, c.texts[1], c.texts[2], c.texts[3], false);
      ADD_FAILURE() << "accepted";
    } catch (const Error& error) {
      EXPECT_EQ(std::string(error.what()).rfind(c.field, 0), 0u) << error.what();
    }
  }
  // Blanks and line breaks around the host text are no part of it.
  EXPECT_EQ(MakeRemoteAccount(" ftp.example.nl\r\n", P::Ftp, "u", "p", "", false).host,
            "ftp.example.nl");
}

class TestRemoteLoginTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1); }

  TRemoteAccount Account(const std::string& password, const std::string& start_folder) {
    return {P::Ftp, "127.0.0.1", server.Port(), test::FtpServer::kUser, password, start_folder,
            false};
  }

  test::TempDir dir;
  test::TempDir config;
  test::FtpServer server{dir.Path()};
};

TEST_F(TestRemoteLoginTest, LogsInAndEntersTheStartFolderAsTyped) {
  test::RunShell("mkdir -p '" + server.Root() + "www/fotos'");
  EXPECT_NO_THROW(TestRemoteLogin(Account(test::FtpServer::kPassword, "www/fotos"), {}));
  const auto commands = server.Commands();
  const auto cwd = std::find(commands.begin(), commands.end(), "CWD www/fotos");
  ASSERT_NE(cwd, commands.end());
  // The folder is listed over a data connection, as an upload would open one.
  EXPECT_NE(std::find(cwd, commands.end(), "NLST"), commands.end());
  // A blank start folder is not entered at all.
  EXPECT_NO_THROW(TestRemoteLogin(Account(test::FtpServer::kPassword, "  "), {}));
  const auto later = server.Commands();
  EXPECT_EQ(std::count(later.begin(), later.end(), "CWD www/fotos"), 1);
}

TEST_F(TestRemoteLoginTest, FailsWhenTheFolderCannotBeListedOverADataConnection) {
  test::TempDir other;
  test::FtpServer no_list(other.Path(), false, 0, true);
  test::RunShell("mkdir -p '" + no_list.Root() + "www'");
  for (const char* start_folder : {"www", ""}) {
    SCOPED_TRACE(start_folder);
    TRemoteAccount account = Account(test::FtpServer::kPassword, start_folder);
    account.port = no_list.Port();
    try {
      TestRemoteLogin(account, {});
      ADD_FAILURE() << "the test passed without a listing";
    } catch (const TFolderListingError& error) {
      EXPECT_EQ(std::string(error.what()).rfind("De map kon niet worden gelezen", 0), 0u)
          << error.what();
      EXPECT_NE(std::string(error.what()).find("(550 "), std::string::npos) << error.what();
    }
  }
  const auto commands = no_list.Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "NLST"), 2);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "CWD www"), 1);
}

TEST_F(TestRemoteLoginTest, TellsAWrongStartFolderFromARefusedLogin) {
  try {
    TestRemoteLogin(Account(test::FtpServer::kPassword, "www/bestaat-niet/"), {});
    FAIL() << "no error";
  } catch (const TStartFolderError& error) {
    EXPECT_NE(std::string(error.what()).find("No such file"), std::string::npos) << error.what();
  }
  try {
    TestRemoteLogin(Account("fout", ""), {});
    FAIL() << "no error";
  } catch (const TStartFolderError&) {
    FAIL() << "a refused login is no folder error";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find("Authentication failed"), std::string::npos)
        << error.what();
  }
}

TEST_F(TestRemoteLoginTest, FailsQuicklyWhenNothingListens) {
  TRemoteAccount account = Account(test::FtpServer::kPassword, "");
  {
    test::TempDir other;
    account.port = test::FtpServer(other.Path()).Port();
  }  // that server has ended: its port is closed now
  EXPECT_THROW(TestRemoteLogin(account, {}), Error);
}

}  // namespace
}  // namespace fotoloom
