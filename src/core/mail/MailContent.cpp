#include "core/mail/MailContent.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "core/base/Error.h"
#include "core/settings/IntegerText.h"

namespace fotoloom {

namespace {

std::string Trimmed(const std::string& text) {
  const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
  const auto first = std::find_if_not(text.begin(), text.end(), blank);
  const auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
  return first < last ? std::string(first, last) : std::string();
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::vector<std::string> MailRecipients(const std::string& text) {
  std::vector<std::string> addresses;
  std::vector<std::string> seen;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    const std::string address = Trimmed(text.substr(start, comma - start));
    if (!address.empty() && std::find(seen.begin(), seen.end(), Lower(address)) == seen.end()) {
      addresses.push_back(address);
      seen.push_back(Lower(address));
    }
    start = comma + 1;
  }
  return addresses;
}

int MailPort(const std::string& text) {
  int32_t port = 0;
  if (!TryStrToInt(text, port)) throw Error("'" + text + "' is not a valid integer value");
  return port;
}

std::vector<std::string> MissingFiles(const std::vector<std::string>& paths) {
  std::vector<std::string> missing;
  for (const std::string& path : paths) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) missing.push_back(path);
  }
  return missing;
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace fotoloom
