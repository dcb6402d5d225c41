#include "core/publish/RemoteAccount.h"

#include <cctype>

#include "core/net/TextEncoding.h"
#include "core/publish/RemoteClient.h"
#include "core/settings/DataFolder.h"

namespace fotoloom {

namespace {

std::string Trimmed(const std::string& text) {
  size_t start = 0;
  size_t end = text.size();
  while (start < end && static_cast<unsigned char>(text[start]) <= ' ') ++start;
  while (end > start && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(start, end - start);
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  return true;
}

int PortNumber(const std::string& text, const std::string& host_text) {
  const Error invalid("Ongeldig poortnummer in de hostnaam \"" + host_text + "\".");
  if (text.empty() || text.size() > 5) throw invalid;
  int port = 0;
  for (const char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) throw invalid;
    port = port * 10 + (c - '0');
  }
  if (port < 1 || port > 65535) throw invalid;
  return port;
}

}  // namespace

TRemoteProtocol RemoteProtocolOf(TFtpProtocol protocol) {
  switch (protocol) {
    case TFtpProtocol::Ftpes:
      return TRemoteProtocol::Ftpes;
    case TFtpProtocol::Sftp:
      return TRemoteProtocol::Sftp;
    case TFtpProtocol::Ftp:
      break;
  }
  return TRemoteProtocol::Ftp;
}

void RefuseAccountControlCharacters(const std::string& host_text, const std::string& username,
                                    const std::string& password, const std::string& start_folder) {
  // Blanks around the host text are trimmed away, line breaks included.
  RefuseControlCharacters(Trimmed(host_text), "De hostnaam");
  RefuseControlCharacters(username, "De gebruikersnaam");
  RefuseControlCharacters(password, "Het wachtwoord");
  RefuseControlCharacters(start_folder, "De startmap");
}

TRemoteAccount MakeRemoteAccount(const std::string& host_text, TRemoteProtocol chosen,
                                 const std::string& username, const std::string& password,
                                 const std::string& start_folder, bool passive) {
  RefuseAccountControlCharacters(host_text, username, password, start_folder);
  TRemoteAccount account{chosen, {}, 0, username, password, start_folder, passive};
  std::string rest = Trimmed(host_text);
  const std::string typed = rest;
  const auto scheme_end = rest.find("://");
  if (scheme_end != std::string::npos) {
    static const struct {
      const char* scheme;
      TRemoteProtocol protocol;
    } kSchemes[] = {{"ftp://", TRemoteProtocol::Ftp},
                    {"ftpes://", TRemoteProtocol::Ftpes},
                    {"sftp://", TRemoteProtocol::Sftp}};
    bool known = false;
    for (const auto& scheme : kSchemes) {
      if (scheme_end + 3 == std::string(scheme.scheme).size() &&
          StartsWithNoCase(rest, scheme.scheme)) {
        account.protocol = scheme.protocol;
        known = true;
      }
    }
    if (!known)
      throw Error("Onbekend protocol in de hostnaam \"" + typed +
                  "\". Gebruik ftp://, ftpes:// of sftp://.");
    rest.erase(0, scheme_end + 3);
  }
  // What follows the host itself ("/" and a path) is no part of the server's address.
  rest = rest.substr(0, rest.find('/'));
  std::string port_text;
  if (!rest.empty() && rest.front() == '[') {  // [IPv6 address]:port
    const auto close = rest.find(']');
    if (close == std::string::npos) throw Error("Ongeldige hostnaam \"" + typed + "\".");
    if (close + 1 < rest.size()) {
      if (rest[close + 1] != ':') throw Error("Ongeldige hostnaam \"" + typed + "\".");
      port_text = rest.substr(close + 2);
      if (port_text.empty()) throw Error("Ongeldig poortnummer in de hostnaam \"" + typed + "\".");
    }
    account.host = rest.substr(1, close - 1);
  } else {
    const auto colon = rest.find(':');
    if (colon != std::string::npos && rest.find(':', colon + 1) == std::string::npos) {
      port_text = rest.substr(colon + 1);
      if (port_text.empty()) throw Error("Ongeldig poortnummer in de hostnaam \"" + typed + "\".");
      rest.erase(colon);
    }
    account.host = rest;
  }
  if (account.host.empty()) throw Error("Er is geen hostnaam ingevuld.");
  account.port = !port_text.empty() ? PortNumber(port_text, typed)
                 : account.protocol == TRemoteProtocol::Sftp ? 22
                                                             : 21;
  return account;
}

void TestRemoteLogin(const TRemoteAccount& account, const TTrustQuestion& trust,
                     const std::atomic<bool>* cancel) {
  TRemoteOptions options;
  options.trust_folder = DataFolder();
  options.trust = trust;
  options.connect_timeout_seconds = 10;
  options.total_timeout_seconds = 10;
  options.cancel = cancel;
  TRemoteClient client(account, options);
  client.Connect();
  if (!Trimmed(account.start_folder).empty()) {
    try {
      client.ChangeFolder(account.start_folder);
    } catch (const Error& error) {
      throw TStartFolderError(error.what());
    }
  }
  try {
    client.ListFolder();
  } catch (const Error& error) {
    throw TFolderListingError(
        "De map kon niet worden gelezen; het versturen van bestanden zal ook mislukken. " +
        std::string(error.what()));
  }
  client.Disconnect();
}

}  // namespace fotoloom
