#include "core/mail/MailBudget.h"

#include <sys/stat.h>

#include <cerrno>

#include "core/base/SystemError.h"

namespace fotoloom {

namespace {

// Room for the message's own headers and the boundaries.
constexpr uint64_t kHeaderRoom = 2048;
// Room for one attachment's part headers besides its file name.
constexpr uint64_t kPartRoom = 256;

uint64_t Base64Size(uint64_t bytes) {
  const uint64_t encoded = (bytes + 2) / 3 * 4;
  const uint64_t lines = (encoded + 75) / 76;
  return encoded + 2 * lines;
}

uint64_t FileSize(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) throw CannotOpenFileError(path, errno);
  return static_cast<uint64_t>(info.st_size);
}

uint64_t AttachmentSize(const std::string& path) {
  // The name may be encoded too, in the part headers.
  return Base64Size(FileSize(path)) + kPartRoom + 2 * FileNameOf(path).size();
}

uint64_t BareSize(const TMailContent& content) {
  uint64_t size = kHeaderRoom + 2 * content.subject.size() + 3 * content.body.size();
  for (const std::string& address : content.recipients) size += address.size() + 4;
  return size;
}

}  // namespace

uint64_t EncodedMailSize(const TMailContent& content) {
  uint64_t size = BareSize(content);
  for (const std::string& path : content.attachments) size += AttachmentSize(path);
  return size;
}

std::vector<TMailContent> SplitOverMails(const TMailContent& content, uint64_t budget) {
  // Numbers in the subject cost a few bytes more per part.
  TMailContent bare = content;
  bare.attachments.clear();
  bare.subject += " (000/000)";
  const uint64_t bare_size = BareSize(bare);

  std::vector<std::vector<std::string>> groups;
  uint64_t used = 0;
  for (const std::string& path : content.attachments) {
    const uint64_t size = AttachmentSize(path);
    if (bare_size + size > budget) throw TPhotoTooLargeError(FileNameOf(path), FileSize(path));
    if (groups.empty() || used + size > budget) {
      groups.emplace_back();
      used = bare_size;
    }
    groups.back().push_back(path);
    used += size;
  }
  if (groups.size() <= 1) return {content};

  std::vector<TMailContent> mails;
  for (size_t i = 0; i < groups.size(); ++i) {
    TMailContent mail = content;
    mail.subject += " (" + std::to_string(i + 1) + "/" + std::to_string(groups.size()) + ")";
    mail.attachments = groups[i];
    mails.push_back(std::move(mail));
  }
  return mails;
}

}  // namespace fotoloom
