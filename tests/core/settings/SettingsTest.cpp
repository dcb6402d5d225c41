#include "core/settings/Settings.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "core/settings/SettingsScramble.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

std::string ReadText(const std::string& path) {
  const std::vector<uint8_t> bytes = test::ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& path, const std::string& text) {
  test::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

void ExpectDefaults(const TSettings& s) {
  EXPECT_EQ(s.Importmap, "");
  EXPECT_EQ(s.Host, "");
  EXPECT_EQ(s.Photodelay, 100);
  EXPECT_FALSE(s.Addlogo);
  EXPECT_FALSE(s.Addtext);
  EXPECT_TRUE(s.Addexif);
  EXPECT_EQ(s.Transparancy, 255);
  EXPECT_EQ(s.Fontsize, 22);
  EXPECT_TRUE(s.EmailUseOutLook);
  EXPECT_EQ(s.EmailBody, "");
  EXPECT_EQ(s.Customer, "");
  EXPECT_TRUE(s.Smallfotos);
  EXPECT_TRUE(s.Normalfotos);
  EXPECT_FALSE(s.Largefotos);
  EXPECT_FALSE(s.Uniquefiles);
  EXPECT_EQ(s.BGColor, "clWhite");
  EXPECT_EQ(s.FtpProtocol, TFtpProtocol::Ftp);
  EXPECT_FALSE(s.FtpPassive);
  // A new mail account encrypts, on the port that goes with it.
  EXPECT_EQ(s.EmailSecurity, TEmailSecurity::StartTls);
  EXPECT_EQ(s.EmailPort, "587");
  EXPECT_FALSE(s.EmailPlainLogin);
  EXPECT_EQ(s.EmailMaxMB, 20);
  EXPECT_EQ(s, TSettings{});
}

TEST(SettingsTest, MissingFileOrSectionGivesDefaults) {
  test::TempDir dir;
  ExpectDefaults(LoadSettings(TIniFile(dir.File("none.crp"))));
  WriteText(dir.File("profiles.crp"), "[Klein]\nFoto_breedte=320\n[Groot]\nFoto_breedte=1024\n");
  ExpectDefaults(LoadSettings(TIniFile(dir.File("profiles.crp"))));
}

TEST(SettingsTest, SaveWritesTheKeysInOrderScrambledWhereNeeded) {
  test::TempDir dir;
  TSettings s;
  s.Exportmap = "/home/jan/Foto's/";
  s.Host = "a";
  s.Addlogo = true;
  s.EmailPassword = "b";
  s.EmailSecurity = TEmailSecurity::SslTls;
  s.Customer = "never written";
  s.Largefotos = true;
  s.BGColor = "clBlack";
  TIniFile file(dir.File("fotoloom.crp"));
  SaveSettings(file, s);
  EXPECT_EQ(ReadText(file.FileName()),
            "[Settings]\n"
            "Importmap=\n"
            "Exportmap=/home/jan/Foto's/\n"
            "Photodelay=100\n"
            "Host=hB\n"
            "Username=\n"
            "Password=\n"
            "Startdir=\n"
            "Script=\n"
            "ScriptLine=\n"
            "Addlogo=1\n"
            "Addtext=0\n"
            "Addexif=1\n"
            "Logo=\n"
            "Transparancy=255\n"
            "Fontsize=22\n"
            "FontText=\n"
            "EmailUseOutLook=1\n"
            "EmailHost=\n"
            "EmailPort=587\n"
            "EmailFrom=\n"
            "EmailAddress=\n"
            "EmailCC=\n"
            "EmailSubject=\n"
            "EmailBody=\n"
            "FtpProtocol=FTP\n"
            "FtpPassive=0\n"
            "EmailUsername=\n"
            "EmailPassword=iB\n"
            "EmailSecurity=SSL/TLS\n"
            "EmailMaxMB=20\n"
            "EmailPlainLogin=0\n");
}

TEST(SettingsTest, EveryWrittenFieldSurvivesARoundTrip) {
  test::TempDir dir;
  TSettings s;
  s.Importmap = "/home/jan/Afbeeldingen/";
  s.Exportmap = "/home/jan/Export/";
  s.Photodelay = 250;
  s.Host = "ftp.example.nl";
  s.Username = "jan";
  s.Password = std::string("p\x00w\xFF=\n[x]", 10);
  s.Startdir = "/www/fotos";
  s.Script = "https://example.nl/klaar.php";
  s.ScriptLine = "https://example.nl/foto.php?naam=%s";
  s.Addlogo = true;
  s.Addtext = true;
  s.Addexif = false;
  s.Logo = "/home/jan/logo.png";
  s.Transparancy = 128;
  s.Fontsize = 14;
  s.FontText = "© Jan de Vries";
  s.EmailUseOutLook = false;
  s.EmailHost = "smtp.example.nl";
  s.EmailPort = "2525";
  s.EmailFrom = "jan@example.nl";
  s.EmailAddress = "piet@example.nl";
  s.EmailCC = "kees@example.nl; marie@example.nl";
  s.EmailSubject = "Foto's van zaterdag";
  s.EmailBody = "Hallo,\n[x]\na=b\r\nC:\\map\\nieuw\\\\\n\\n is geen regel\n\n";
  s.FtpProtocol = TFtpProtocol::Sftp;
  s.FtpPassive = true;
  s.EmailUsername = "jan@example.nl";
  s.EmailPassword = "geheim=1";
  s.EmailSecurity = TEmailSecurity::None;
  s.EmailMaxMB = 7;
  s.EmailPlainLogin = true;
  TIniFile file(dir.File("fotoloom.crp"));
  SaveSettings(file, s);
  EXPECT_EQ(LoadSettings(file), s);
  EXPECT_EQ(file.ReadSections(), std::vector<std::string>{"Settings"});
  EXPECT_EQ(file.ReadString("Settings", "a", "(none)"), "(none)");
}

TEST(SettingsTest, HandWrittenValues) {
  test::TempDir dir;
  WriteText(dir.File("fotoloom.crp"),
            "[Klein]\n"
            "Foto_breedte=320\n"
            "[Settings]\n"
            "Photodelay=0x10\n"
            "Fontsize=abc\n"
            "BGColor=   \n"
            "Customer=" +
                ScrambleSetting("Klant 7", kSettingsKey) +
                "\n"
                "Smallfotos=0\n"
                "Largefotos=1\n"
                "Uniquefiles=5\n"
                "EmailBody=oud: C:\\map\\bestand\\\n");
  const TSettings s = LoadSettings(TIniFile(dir.File("fotoloom.crp")));
  EXPECT_EQ(s.Photodelay, 16);
  EXPECT_EQ(s.Fontsize, 22);
  EXPECT_EQ(s.BGColor, "clWhite");
  EXPECT_EQ(s.Customer, "Klant 7");
  EXPECT_FALSE(s.Smallfotos);
  EXPECT_TRUE(s.Largefotos);
  EXPECT_TRUE(s.Uniquefiles);
  EXPECT_EQ(s.EmailBody, "oud: C:\\map\\bestand\\");  // backslashes without escapes stay
}

// Files written before the protocol and security keys existed, or edited by hand: a known
// text in any case counts, anything else is the default (the old behaviour for the
// protocol; encryption for mail, while a stored "Geen" stays).
TEST(SettingsTest, ProtocolAndSecurityTexts) {
  struct Case {
    const char* stored;
    TFtpProtocol protocol;
    TEmailSecurity security;
  };
  constexpr std::array<Case, 7> cases = {{
      {"SFTP", TFtpProtocol::Sftp, TEmailSecurity::StartTls},
      {" ftpes ", TFtpProtocol::Ftpes, TEmailSecurity::StartTls},
      {"Geen", TFtpProtocol::Ftp, TEmailSecurity::None},
      {"STARTTLS", TFtpProtocol::Ftp, TEmailSecurity::StartTls},
      {"ssl/tls", TFtpProtocol::Ftp, TEmailSecurity::SslTls},
      {"TLS", TFtpProtocol::Ftp, TEmailSecurity::StartTls},
      {"", TFtpProtocol::Ftp, TEmailSecurity::StartTls},
  }};
  test::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    WriteText(dir.File("fotoloom.crp"), std::string("[Settings]\nFtpProtocol=") + c.stored +
                                            "\nEmailSecurity=" + c.stored + "\n");
    const TSettings s = LoadSettings(TIniFile(dir.File("fotoloom.crp")));
    EXPECT_EQ(s.FtpProtocol, c.protocol);
    EXPECT_EQ(s.EmailSecurity, c.security);
  }
}

TEST(SettingsTest, SaveLeavesProfilesAndReadOnlyKeysAlone) {
  test::TempDir dir;
  WriteText(dir.File("fotoloom.crp"),
            "[Klein]\nFoto_breedte=320\n[Settings]\nBGColor=clBlack\nLogo=oud.png\n[Groot]\n"
            "Foto_breedte=1024\n");
  TIniFile file(dir.File("fotoloom.crp"));
  TSettings s = LoadSettings(file);
  s.Logo = "nieuw.png";
  s.BGColor = "clRed";  // never written
  SaveSettings(file, s);
  const std::string text = ReadText(file.FileName());
  EXPECT_EQ(text.rfind("[Klein]\nFoto_breedte=320\n[Settings]\nBGColor=clBlack\nLogo=nieuw.png\n"
                       "Importmap=\n",
                       0),
            0u);
  EXPECT_NE(text.find("EmailSecurity=STARTTLS\nEmailMaxMB=20\nEmailPlainLogin=0\n[Groot]\n"
                      "Foto_breedte=1024\n"),
            std::string::npos);
  EXPECT_EQ(LoadSettings(file).BGColor, "clBlack");
}

TEST(SettingsTest, LongScrambledValuesAreCutLikeAnyOther) {
  test::TempDir dir;
  TIniFile file(dir.File("fotoloom.crp"));
  std::string value;
  for (int i = 0; i < 1536; ++i) value += static_cast<char>('a' + i % 26);
  TSettings s;
  s.Password = value.substr(0, 1535);  // stored in 2047 characters
  s.ScriptLine = value;                // needs 2048
  SaveSettings(file, s);
  const TSettings loaded = LoadSettings(file);
  EXPECT_EQ(loaded.Password, s.Password);
  EXPECT_EQ(loaded.ScriptLine, value.substr(0, 1535));
}

}  // namespace
}  // namespace fotoloom
