#include "core/settings/Settings.h"

#include <array>

#include "core/settings/IniDocument.h"
#include "core/settings/SettingsScramble.h"

namespace fotoloom {
namespace {

// A value is one line of the file, and EmailBody holds several. It is stored with "\n" for
// a line feed, "\r" for a carriage return and "\\" for a backslash, so no line of the body
// can be taken for a key or a section. On reading, a backslash before any other character
// (or at the end) stands for itself, so bodies stored before this escape read as written
// unless they happen to contain one of the three pairs.
std::string EscapeLines(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '\n') {
      escaped += "\\n";
    } else if (c == '\r') {
      escaped += "\\r";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::string UnescapeLines(const std::string& escaped) {
  std::string text;
  text.reserve(escaped.size());
  for (size_t i = 0; i < escaped.size(); ++i) {
    const char next = i + 1 < escaped.size() ? escaped[i + 1] : '\0';
    if (escaped[i] == '\\' && (next == '\\' || next == 'n' || next == 'r')) {
      text += next == 'n' ? '\n' : next == 'r' ? '\r' : '\\';
      ++i;
    } else {
      text += escaped[i];
    }
  }
  return text;
}

std::string ReadScrambled(const TIniReader& file, const char* key) {
  return UnscrambleSetting(file.ReadString(kSettingsSection, key, ""), kSettingsKey);
}

void WriteScrambled(TIniFile& file, const char* key, const std::string& plain) {
  file.WriteString(kSettingsSection, key, ScrambleSetting(plain, kSettingsKey));
}

constexpr std::array<const char*, 3> kFtpProtocolTexts = {"FTP", "FTPES", "SFTP"};
constexpr std::array<const char*, 3> kEmailSecurityTexts = {"Geen", "STARTTLS", "SSL/TLS"};

// The choice whose text the file holds, in any letter case; the default for anything else.
template <typename Choice>
Choice ReadChoice(const TIniReader& file, const char* key, const std::array<const char*, 3>& texts,
                  Choice default_value) {
  const std::string stored = file.ReadString(kSettingsSection, key, "");
  for (size_t i = 0; i < texts.size(); ++i)
    if (SameName(TrimBlanks(stored), texts[i])) return static_cast<Choice>(i);
  return default_value;
}

}  // namespace

const char* FtpProtocolText(TFtpProtocol protocol) {
  return kFtpProtocolTexts.at(static_cast<size_t>(protocol));
}

const char* EmailSecurityText(TEmailSecurity security) {
  return kEmailSecurityTexts.at(static_cast<size_t>(security));
}

TSettings LoadSettings(const TIniFile& settings_file) {
  const TIniReader file = settings_file.Snapshot();  // one read for all the keys
  TSettings s;
  s.Host = ReadScrambled(file, "Host");
  s.Username = ReadScrambled(file, "Username");
  s.Password = ReadScrambled(file, "Password");
  s.Startdir = ReadScrambled(file, "Startdir");
  s.Script = ReadScrambled(file, "Script");
  s.ScriptLine = ReadScrambled(file, "ScriptLine");
  s.Customer = ReadScrambled(file, "Customer");
  s.EmailUsername = ReadScrambled(file, "EmailUsername");
  s.EmailPassword = ReadScrambled(file, "EmailPassword");

  const auto read_string = [&](const char* key, const std::string& default_value) {
    return file.ReadString(kSettingsSection, key, default_value);
  };
  const auto read_integer = [&](const char* key, int32_t default_value) {
    return file.ReadInteger(kSettingsSection, key, default_value);
  };
  const auto read_bool = [&](const char* key, bool default_value) {
    return file.ReadBool(kSettingsSection, key, default_value);
  };
  s.Importmap = read_string("Importmap", s.Importmap);
  s.Exportmap = read_string("Exportmap", s.Exportmap);
  s.Photodelay = read_integer("Photodelay", s.Photodelay);
  s.Addlogo = read_bool("Addlogo", s.Addlogo);
  s.Addtext = read_bool("Addtext", s.Addtext);
  s.Addexif = read_bool("Addexif", s.Addexif);
  s.Logo = read_string("Logo", s.Logo);
  s.Transparancy = read_integer("Transparancy", s.Transparancy);
  s.Fontsize = read_integer("Fontsize", s.Fontsize);
  s.FontText = read_string("FontText", s.FontText);
  s.EmailUseOutLook = read_bool("EmailUseOutLook", s.EmailUseOutLook);
  s.EmailHost = read_string("EmailHost", s.EmailHost);
  s.EmailPort = read_string("EmailPort", s.EmailPort);
  s.EmailFrom = read_string("EmailFrom", s.EmailFrom);
  s.EmailAddress = read_string("EmailAddress", s.EmailAddress);
  s.EmailCC = read_string("EmailCC", s.EmailCC);
  s.EmailSubject = read_string("EmailSubject", s.EmailSubject);
  s.EmailBody = UnescapeLines(read_string("EmailBody", s.EmailBody));
  s.FtpProtocol = ReadChoice(file, "FtpProtocol", kFtpProtocolTexts, s.FtpProtocol);
  s.FtpPassive = read_bool("FtpPassive", s.FtpPassive);
  s.EmailSecurity = ReadChoice(file, "EmailSecurity", kEmailSecurityTexts, s.EmailSecurity);
  s.EmailMaxMB = read_integer("EmailMaxMB", s.EmailMaxMB);
  s.EmailPlainLogin = read_bool("EmailPlainLogin", s.EmailPlainLogin);
  s.Smallfotos = read_bool("Smallfotos", s.Smallfotos);
  s.Normalfotos = read_bool("Normalfotos", s.Normalfotos);
  s.Largefotos = read_bool("Largefotos", s.Largefotos);
  s.Uniquefiles = read_bool("Uniquefiles", s.Uniquefiles);
  s.BGColor = TrimBlanks(read_string("BGColor", s.BGColor));
  if (s.BGColor.empty()) s.BGColor = "clWhite";
  return s;
}

void SaveSettings(TIniFile& file, const TSettings& s) {
  const auto write_string = [&](const char* key, const std::string& value) {
    file.WriteString(kSettingsSection, key, value);
  };
  const auto write_integer = [&](const char* key, int32_t value) {
    file.WriteInteger(kSettingsSection, key, value);
  };
  const auto write_bool = [&](const char* key, bool value) {
    file.WriteBool(kSettingsSection, key, value);
  };
  write_string("Importmap", s.Importmap);
  write_string("Exportmap", s.Exportmap);
  write_integer("Photodelay", s.Photodelay);
  WriteScrambled(file, "Host", s.Host);
  WriteScrambled(file, "Username", s.Username);
  WriteScrambled(file, "Password", s.Password);
  WriteScrambled(file, "Startdir", s.Startdir);
  WriteScrambled(file, "Script", s.Script);
  WriteScrambled(file, "ScriptLine", s.ScriptLine);
  write_bool("Addlogo", s.Addlogo);
  write_bool("Addtext", s.Addtext);
  write_bool("Addexif", s.Addexif);
  write_string("Logo", s.Logo);
  write_integer("Transparancy", s.Transparancy);
  write_integer("Fontsize", s.Fontsize);
  write_string("FontText", s.FontText);
  write_bool("EmailUseOutLook", s.EmailUseOutLook);
  write_string("EmailHost", s.EmailHost);
  write_string("EmailPort", s.EmailPort);
  write_string("EmailFrom", s.EmailFrom);
  write_string("EmailAddress", s.EmailAddress);
  write_string("EmailCC", s.EmailCC);
  write_string("EmailSubject", s.EmailSubject);
  write_string("EmailBody", EscapeLines(s.EmailBody));
  write_string("FtpProtocol", FtpProtocolText(s.FtpProtocol));
  write_bool("FtpPassive", s.FtpPassive);
  WriteScrambled(file, "EmailUsername", s.EmailUsername);
  WriteScrambled(file, "EmailPassword", s.EmailPassword);
  write_string("EmailSecurity", EmailSecurityText(s.EmailSecurity));
  write_integer("EmailMaxMB", s.EmailMaxMB);
  write_bool("EmailPlainLogin", s.EmailPlainLogin);
}

}  // namespace fotoloom
