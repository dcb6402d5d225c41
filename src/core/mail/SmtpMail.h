#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "core/mail/MailContent.h"
#include "core/net/ServerTrust.h"
#include "core/settings/Settings.h"

namespace fotoloom {

// The mail server and how to reach it.
struct TSmtpServer {
  std::string host;
  int port = 25;
  TEmailSecurity security = TEmailSecurity::None;
  std::string username;  // empty: no login
  std::string password;
  bool plain_login_confirmed = false;  // the user allowed a login without encryption
  // Certificates of the authorities trusted besides the system's; empty for the system's.
  std::string ca_file;
  // Where certificates the user accepted are kept ("trusted-certificates"); empty: none.
  std::string trust_folder;
  // Asked with "host:port" and the fingerprint when no authority vouches for the server's
  // certificate; true trusts its key from now on. None: such a server is refused.
  TTrustQuestion trust;
  long connect_timeout_ms = 1000;             // up to the server's greeting and the login
  long stall_timeout_seconds = 60;            // a send without any progress for this long fails
  const std::atomic<bool>* cancel = nullptr;  // set from any thread: stop as soon as possible
};

// Sends `content` as one MIME message (multipart/mixed: the body as UTF-8 text, every
// attachment as image/jpeg in base64 under its file name) and disconnects. STARTTLS, once
// chosen, is required: a server without it is refused. A login without encryption is
// refused before anything is sent unless the user confirmed it. Throws Error with the
// server's reply, or the library's reason, when anything fails.
void SendSmtpMail(const TSmtpServer& server, const TMailContent& content);

}  // namespace fotoloom
