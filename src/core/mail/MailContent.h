#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fotoloom {

// One mail as the user composed it: plain text, photos attached by path.
struct TMailContent {
  std::string from;
  std::vector<std::string> recipients;
  std::string subject;
  std::string body;
  std::vector<std::string> attachments;
};

// The addresses of a comma-separated text, trimmed, without empty items and without an
// address that came before (compared without regard to case).
std::vector<std::string> MailRecipients(const std::string& text);

// The port text of the mail settings as a number; throws "'<text>' is not a valid integer
// value" for anything else, an empty text included.
int MailPort(const std::string& text);

// The paths of `paths` that name no existing regular file, in their order.
std::vector<std::string> MissingFiles(const std::vector<std::string>& paths);

// The name after the last '/'.
std::string FileNameOf(const std::string& path);

}  // namespace fotoloom
