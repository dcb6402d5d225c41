#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/base/Error.h"
#include "core/mail/MailContent.h"

namespace fotoloom {

// Bytes in one megabyte of the setting "EmailMaxMB".
inline constexpr uint64_t kMailMegabyte = 1000 * 1000;

// Thrown when one photo alone does not fit in a mail.
class TPhotoTooLargeError : public Error {
 public:
  TPhotoTooLargeError(const std::string& file_name, uint64_t file_bytes)
      : Error("De foto \"" + file_name + "\" is groter dan de maximale grootte per e-mail"),
        name(file_name),
        bytes(file_bytes) {}
  std::string name;  // the file's name
  uint64_t bytes;    // its size on disk
};

// An upper bound of the size of `content` as sent: headers, the body in quoted-printable
// and every attachment in base64 with its line breaks and part headers. Attachments are
// measured on disk.
uint64_t EncodedMailSize(const TMailContent& content);

// The attachments of `content` spread in their order over as few mails as the greedy fill
// gives, each mail's EncodedMailSize at most `budget` bytes. One mail (with all of them)
// when they fit; several carry the subject followed by " (1/3)", " (2/3)", ... Throws
// TPhotoTooLargeError naming the first photo that does not fit even alone.
std::vector<TMailContent> SplitOverMails(const TMailContent& content, uint64_t budget);

}  // namespace fotoloom
