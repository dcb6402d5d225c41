#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "core/base/Error.h"
#include "core/net/ServerTrust.h"
#include "core/settings/Settings.h"

namespace fotoloom {

enum class TRemoteProtocol { Ftp, Ftpes, Sftp };

// The server the photos are uploaded to, and how to log in there.
struct TRemoteAccount {
  TRemoteProtocol protocol = TRemoteProtocol::Ftp;
  std::string host;  // a name or an address, without scheme or port
  int port = 21;
  std::string username, password, start_folder;
  bool passive = false;  // FTP: passive data connections instead of active ones (FTPES: always)
};

// The protocol of the setting "FtpProtocol".
TRemoteProtocol RemoteProtocolOf(TFtpProtocol protocol);

// The account for the texts typed in the FTP settings. A host written as "ftp://",
// "ftpes://" or "sftp://" + host selects that protocol instead of `chosen`, and a ":port"
// after the host is honoured; otherwise the port is 21 (22 for SFTP). Throws Error for a
// host text that names no server, an unknown scheme or a port that is no number in 1..65535,
// and as RefuseAccountControlCharacters does.
TRemoteAccount MakeRemoteAccount(const std::string& host_text, TRemoteProtocol chosen,
                                 const std::string& username, const std::string& password,
                                 const std::string& start_folder, bool passive);

// Throws Error naming the field ("De gebruikersnaam", ...) when a text holds a line break or
// another control character: sent to an FTP server it would end the command and start one of
// its own.
void RefuseAccountControlCharacters(const std::string& host_text, const std::string& username,
                                    const std::string& password, const std::string& start_folder);

// Thrown by TestRemoteLogin when the login worked but the start folder could not be entered.
class TStartFolderError : public Error {
 public:
  using Error::Error;
};

// Thrown by TestRemoteLogin when the login worked but the folder could not be listed over a
// data connection: uploads would fail the same way.
class TFolderListingError : public Error {
 public:
  using Error::Error;
};

// Connects, logs in, changes to the start folder as typed (when it is not blank), lists that
// folder (or the login folder) over a data connection, as an upload would open one, and
// disconnects. Gives up after 10 seconds. Throws Error with the reason when the connection
// or the login fails (also when `cancel` is set meanwhile), TStartFolderError when only the
// start folder fails, TFolderListingError when only the listing fails. Accepted certificates and
// host keys are kept in the data folder.
void TestRemoteLogin(const TRemoteAccount& account, const TTrustQuestion& trust,
                     const std::atomic<bool>* cancel = nullptr);

}  // namespace fotoloom
