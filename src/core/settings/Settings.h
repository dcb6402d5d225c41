#pragma once

#include <cstdint>
#include <string>

#include "core/settings/IniFile.h"

namespace fotoloom {

// The section of the program's settings; every other section is a size profile.
inline constexpr char kSettingsSection[] = "Settings";

// How the upload reaches the server; stored as "FTP", "FTPES" or "SFTP".
enum class TFtpProtocol { Ftp, Ftpes, Sftp };
// How the built-in mail client protects its connection; stored as "Geen", "STARTTLS" or
// "SSL/TLS".
enum class TEmailSecurity { None, StartTls, SslTls };

const char* FtpProtocolText(TFtpProtocol protocol);
const char* EmailSecurityText(TEmailSecurity security);

// The settings record: one field per key of [Settings], named after it, with the key's
// default. FTP and script fields hold the plain text; scrambling happens in the file only.
struct TSettings {
  std::string Importmap;
  std::string Exportmap;
  int32_t Photodelay = 100;
  std::string Host;
  std::string Username;
  std::string Password;
  std::string Startdir;
  std::string Script;
  std::string ScriptLine;
  bool Addlogo = false;
  bool Addtext = false;
  bool Addexif = true;
  std::string Logo;
  int32_t Transparancy = 255;
  int32_t Fontsize = 22;
  std::string FontText;
  bool EmailUseOutLook = true;
  std::string EmailHost;
  std::string EmailPort = "587";  // the port of EmailSecurity's default
  std::string EmailFrom;
  std::string EmailAddress;
  std::string EmailCC;
  std::string EmailSubject;
  std::string EmailBody;
  // Keys that older files lack; their defaults keep such a setup working as it did, except
  // for the mail security.
  TFtpProtocol FtpProtocol = TFtpProtocol::Ftp;
  bool FtpPassive = false;
  std::string EmailUsername;
  std::string EmailPassword;
  // Encrypted unless the file says "Geen": a password never crosses the network in clear
  // by default.
  TEmailSecurity EmailSecurity = TEmailSecurity::StartTls;
  int32_t EmailMaxMB = 20;  // the largest mail the built-in client sends, in megabytes
  // The user confirmed that the login may go over a connection without encryption.
  bool EmailPlainLogin = false;

  // Read from the file but never written by the program.
  std::string Customer;
  bool Smallfotos = true;
  bool Normalfotos = true;
  bool Largefotos = false;
  bool Uniquefiles = false;
  std::string BGColor = "clWhite";

  bool operator==(const TSettings&) const = default;
};

// Reads [Settings]; missing keys, unreadable numbers and unknown protocol or security texts
// give the defaults. A BGColor that is blank becomes "clWhite".
TSettings LoadSettings(const TIniFile& file);

// Writes the keys of [Settings] in their fixed order, except the read-only ones. Each key
// reaches the file at once; on a failure the keys before it stay written and the error
// "Unable to write to <file>" is thrown.
void SaveSettings(TIniFile& file, const TSettings& settings);

}  // namespace fotoloom
