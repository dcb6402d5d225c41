#include "core/mail/DesktopMail.h"

#include "core/net/TextEncoding.h"

namespace fotoloom {

namespace {

std::vector<std::string> UsableAddresses(const std::vector<std::string>& recipients) {
  std::vector<std::string> addresses;
  for (const std::string& address : recipients)
    if (address.front() != '-') addresses.push_back(address);
  return addresses;
}

}  // namespace

std::vector<std::string> XdgEmailArguments(const TMailContent& content) {
  // xdg-email refuses an option with an empty text.
  std::vector<std::string> arguments = {"--utf8"};
  if (!content.subject.empty()) arguments.insert(arguments.end(), {"--subject", content.subject});
  if (!content.body.empty()) arguments.insert(arguments.end(), {"--body", content.body});
  for (const std::string& path : content.attachments) {
    arguments.push_back("--attach");
    arguments.push_back(path);
  }
  for (const std::string& address : UsableAddresses(content.recipients))
    arguments.push_back(address);
  return arguments;
}

std::string MailtoAddress(const TMailContent& content) {
  std::string address = "mailto:";
  bool first = true;
  for (const std::string& recipient : UsableAddresses(content.recipients)) {
    address += (first ? "" : ",") + PercentEncoded(recipient, "@");
    first = false;
  }
  return address + "?subject=" + PercentEncoded(content.subject) +
         "&body=" + PercentEncoded(content.body);
}

}  // namespace fotoloom
