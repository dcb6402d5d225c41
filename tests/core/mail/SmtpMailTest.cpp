#include "core/mail/SmtpMail.h"

#include <gtest/gtest.h>

#include <clocale>
#include <regex>
#include <tuple>

#include "core/base/Error.h"
#include "core/net/ServerTrust.h"
#include "support/LoopbackServers.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

using Strings = std::vector<std::string>;
using test::SmtpServer;

// Bytes of every value, so that a text-mode encoding or a cut-off shows.
std::string PhotoBytes(size_t size, int seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + seed + i / 256);
  bytes[10] = '\r';
  bytes[11] = '\n';
  bytes[12] = '.';
  return bytes;
}

class SmtpMailTest : public ::testing::Test {
 protected:
  std::string Photo(const std::string& name, const std::string& bytes) {
    const std::string path = local.File(name);
    test::WriteFileBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
    return path;
  }

  TSmtpServer Server(const SmtpServer& server, TEmailSecurity security, bool login) {
    TSmtpServer account{.host = "127.0.0.1", .port = server.Port(), .security = security};
    if (security != TEmailSecurity::None) account.ca_file = server_dir.File("cert.pem");
    if (login) {
      account.username = SmtpServer::kUser;
      account.password = SmtpServer::kPassword;
    }
    return account;
  }

  std::string Failure(const TSmtpServer& account, const TMailContent& mail) {
    try {
      SendSmtpMail(account, mail);
    } catch (const Error& error) {
      return error.what();
    }
    return "(sent)";
  }

  TMailContent Mail() const {
    return {.from = "jan@example.nl",
            .recipients = {"piet@example.nl"},
            .subject = "Foto's",
            .body = "Hallo"};
  }

  test::TempDir server_dir;
  test::TempDir local;
};

TEST_F(SmtpMailTest, PlainMailCarriesRecipientsTextAndPhotosInOrder) {
  SmtpServer server(server_dir.Path(), SmtpServer::Security::None);
  const std::string a = PhotoBytes(70000, 1), b = PhotoBytes(1000, 2);
  TMailContent mail{.from = "jan@example.nl",
                    .recipients = {"piet@example.nl", "kees@example.nl"},
                    .subject = "Foto's van zaterdag: café en strand, één dag vol zon en wind, ok",
                    .body = "Hallo Piet,\nHier zijn ze.\n.\nGroet, Jan",
                    .attachments = {Photo("zee.jpg", a), Photo("b\xC3\xA9.jpg", b)}};
  SendSmtpMail(Server(server, TEmailSecurity::None, false), mail);

  ASSERT_EQ(server.MailCount(), 1);
  EXPECT_EQ(server.Summary(1),
            Strings({"FROM jan@example.nl", "RCPT piet@example.nl", "RCPT kees@example.nl",
                     "SUBJECT " + mail.subject, "ATTACH image/jpeg zee.jpg",
                     "ATTACH image/jpeg b\xC3\xA9.jpg"}));
  // Lines end in CR LF in the mail; a line of a single dot survives.
  EXPECT_EQ(server.Body(1), "Hallo Piet,\r\nHier zijn ze.\r\n.\r\nGroet, Jan");
  EXPECT_EQ(server.Attachment(1, 1), a);
  EXPECT_EQ(server.Attachment(1, 2), b);
}

TEST_F(SmtpMailTest, AHeaderCannotBeInjectedThroughTheSubject) {
  SmtpServer server(server_dir.Path(), SmtpServer::Security::None);
  TMailContent mail = Mail();
  mail.subject = "Foto's\r\nBcc: iedereen@example.nl";
  SendSmtpMail(Server(server, TEmailSecurity::None, false), mail);
  ASSERT_EQ(server.MailCount(), 1);
  EXPECT_EQ(server.Summary(1), Strings({"FROM jan@example.nl", "RCPT piet@example.nl",
                                        "SUBJECT Foto's  Bcc: iedereen@example.nl"}));
}

// Linux file names may hold line breaks, quotes and any UTF-8: each photo stays one
// attachment under its own name (line breaks as blanks) and adds no header of its own.
TEST_F(SmtpMailTest, AttachmentNamesArriveWholeAndInjectNothing) {
  SmtpServer server(server_dir.Path(), SmtpServer::Security::None);
  TMailContent mail = Mail();
  mail.attachments = {Photo("zon \"strand\"\r\nX-Extra: ja caf\xC3\xA9.jpg", PhotoBytes(5000, 3)),
                      Photo("a\\b \"c\".jpg", PhotoBytes(4000, 4))};
  SendSmtpMail(Server(server, TEmailSecurity::None, false), mail);
  ASSERT_EQ(server.MailCount(), 1);
  EXPECT_EQ(server.Summary(1),
            Strings({"FROM jan@example.nl", "RCPT piet@example.nl", "SUBJECT Foto's",
                     "ATTACH image/jpeg zon \"strand\"  X-Extra: ja caf\xC3\xA9.jpg",
                     "ATTACH image/jpeg a\\b \"c\".jpg"}));
  EXPECT_EQ(server.Attachment(1, 1), PhotoBytes(5000, 3));
  const std::string message = server.Message(1);
  EXPECT_EQ(message.find("\nX-Extra"), std::string::npos) << message.substr(0, 2000);
}

// The Date header is English whatever the locale: Dutch users run a Dutch one.
TEST_F(SmtpMailTest, TheDateIsEnglishUnderADutchLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  ASSERT_NE(std::setlocale(LC_ALL, "nl_NL.UTF-8"), nullptr) << "nl_NL.UTF-8 is not installed";
  SmtpServer server(server_dir.Path(), SmtpServer::Security::None);
  try {
    SendSmtpMail(Server(server, TEmailSecurity::None, false), Mail());
  } catch (...) {
    std::setlocale(LC_ALL, saved.c_str());
    throw;
  }
  std::setlocale(LC_ALL, saved.c_str());
  ASSERT_EQ(server.MailCount(), 1);
  const std::string message = server.Message(1);
  EXPECT_TRUE(std::regex_search(
      message, std::regex("(^|\r\n)Date: (Mon|Tue|Wed|Thu|Fri|Sat|Sun), \\d\\d "
                          "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \\d{4} "
                          "\\d\\d:\\d\\d:\\d\\d \\+0000\r\n")))
      << message.substr(0, 600);
}

TEST_F(SmtpMailTest, StartTlsAndSslWithLogin) {
  for (const auto& [security, server_security] :
       {std::pair{TEmailSecurity::StartTls, SmtpServer::Security::StartTls},
        std::pair{TEmailSecurity::SslTls, SmtpServer::Security::SslTls}}) {
    test::TempDir folder;
    test::MakeCertificate(folder.Path());
    SmtpServer server(folder.Path(), server_security, true);
    TSmtpServer account = Server(server, security, true);
    account.ca_file = folder.File("cert.pem");
    SendSmtpMail(account, Mail());
    EXPECT_EQ(server.MailCount(), 1) << EmailSecurityText(security);

    account.password = "fout";
    // What failed in Dutch, the server's own words after it.
    const std::string failure = Failure(account, Mail());
    EXPECT_EQ(failure.rfind("De server 127.0.0.1:", 0), 0u) << failure;
    EXPECT_NE(failure.find("wachtwoord geweigerd. (535 "), std::string::npos) << failure;
    EXPECT_EQ(server.MailCount(), 1);
  }
}

// Without encryption a login goes only after the user confirmed it: else the server never
// sees the password.
TEST_F(SmtpMailTest, APlainLoginNeedsTheUsersConfirmation) {
  SmtpServer server(server_dir.Path(), SmtpServer::Security::None, true);
  TSmtpServer account = Server(server, TEmailSecurity::None, true);
  const std::string failure = Failure(account, Mail());
  EXPECT_EQ(failure.rfind("Zonder beveiliging zouden uw gebruikersnaam en wachtwoord", 0), 0u)
      << failure;
  EXPECT_EQ(server.Logins(), Strings());
  EXPECT_EQ(server.MailCount(), 0);

  account.plain_login_confirmed = true;
  SendSmtpMail(account, Mail());
  EXPECT_EQ(server.Logins().size(), 1u);
  EXPECT_EQ(server.MailCount(), 1);
}

// A self-signed certificate is refused unless the user trusts it by its fingerprint; its
// key is then pinned, so the next send asks nothing and a changed key is refused.
TEST_F(SmtpMailTest, AnUntrustedCertificateIsTrustedOnlyByTheUser) {
  test::MakeCertificate(server_dir.Path());
  SmtpServer server(server_dir.Path(), SmtpServer::Security::StartTls, true);
  test::TempDir trust;
  TSmtpServer account = Server(server, TEmailSecurity::StartTls, true);
  account.ca_file.clear();
  account.trust_folder = trust.Path();
  const std::string where = "127.0.0.1:" + std::to_string(server.Port());
  Strings asked;
  bool answer = false;
  account.trust = [&](const TUnknownServer& unknown) {
    asked.push_back(unknown.host + " " + unknown.fingerprint.substr(0, 7) + " " + unknown.doubt);
    return answer;
  };

  for (const bool with_question : {false, true}) {
    TSmtpServer refusing = account;
    if (!with_question) refusing.trust = nullptr;
    const std::string failure = Failure(refusing, Mail());
    EXPECT_EQ(failure.rfind("Het certificaat van " + where + " wordt niet vertrouwd.", 0), 0u)
        << failure;
  }
  EXPECT_EQ(asked,
            Strings({where + " SHA256: het certificaat is door de server zelf ondertekend"}));
  EXPECT_EQ(TrustedCertificatePin(trust.Path(), where), "");
  EXPECT_EQ(server.MailCount(), 0);

  answer = true;
  SendSmtpMail(account, Mail());
  EXPECT_EQ(asked.size(), 2u);
  EXPECT_EQ(TrustedCertificatePin(trust.Path(), where).rfind("sha256//", 0), 0u);
  SendSmtpMail(account, Mail());
  EXPECT_EQ(asked.size(), 2u);
  EXPECT_EQ(server.MailCount(), 2);

  // Another key under the accepted one's name: refused without a question.
  const std::string other_pin = "sha256//" + std::string(43, 'A') + "=";
  StoreTrustedCertificate(trust.Path(), where, other_pin);
  const std::string failure = Failure(account, Mail());
  EXPECT_EQ(failure.rfind("Het certificaat van " + where + " is veranderd", 0), 0u) << failure;
  // Both keys, for the user to compare with what the server's keeper says.
  EXPECT_NE(failure.find("(eerder " + PinFingerprint(other_pin) + ", nu SHA256:"),
            std::string::npos)
      << failure;
  EXPECT_EQ(asked.size(), 2u);
  EXPECT_EQ(server.MailCount(), 2);
}

// The question says why the certificate is not trusted: one signed by nobody else, and one
// of a trusted issuer that names another server.
TEST_F(SmtpMailTest, TheTrustQuestionSaysWhyACertificateIsRefused) {
  for (const auto& [name, trusted_issuer, doubt] :
       {std::tuple{"127.0.0.1", false, "het certificaat is door de server zelf ondertekend"},
        std::tuple{"fotoloom.test", true, "het certificaat hoort bij een andere servernaam"}}) {
    test::TempDir folder;
    test::TempDir trust;
    test::MakeCertificate(folder.Path(), name);
    SmtpServer server(folder.Path(), SmtpServer::Security::StartTls, true);
    TSmtpServer account = Server(server, TEmailSecurity::StartTls, true);
    account.ca_file = trusted_issuer ? folder.File("cert.pem") : "";
    account.trust_folder = trust.Path();
    std::string asked;
    account.trust = [&](const TUnknownServer& unknown) {
      asked = unknown.doubt;
      return false;
    };
    const std::string failure = Failure(account, Mail());
    EXPECT_EQ(asked, doubt) << name;
    EXPECT_NE(failure.find("wordt niet vertrouwd"), std::string::npos) << failure;
    EXPECT_EQ(server.MailCount(), 0);
  }
}

TEST_F(SmtpMailTest, StartTlsIsNeverDroppedWhenTheServerLacksIt) {
  test::MakeCertificate(server_dir.Path());
  SmtpServer server(server_dir.Path(), SmtpServer::Security::None);
  TSmtpServer account = Server(server, TEmailSecurity::StartTls, false);
  const std::string failure = Failure(account, Mail());
  EXPECT_NE(failure.find("biedt geen STARTTLS"), std::string::npos) << failure;
  EXPECT_EQ(server.MailCount(), 0);
}

// A server that takes the connection and never greets, and one that never answers the
// message: both end in the time-out, not in a hang.
TEST_F(SmtpMailTest, AServerThatStopsAnsweringEndsInATimeOut) {
  for (const auto behaviour :
       {SmtpServer::Behaviour::Silent, SmtpServer::Behaviour::StallAfterData}) {
    test::TempDir folder;
    SmtpServer server(folder.Path(), SmtpServer::Security::None, false, behaviour);
    TSmtpServer account = Server(server, TEmailSecurity::None, false);
    account.stall_timeout_seconds = 2;
    const std::string failure = Failure(account, Mail());
    EXPECT_NE(failure.find("antwoordt niet meer. ("), std::string::npos) << failure;
  }
}

}  // namespace
}  // namespace fotoloom
