#pragma once

#include <string>
#include <vector>

#include "core/mail/MailContent.h"

namespace fotoloom {

// The arguments of xdg-email that open a new message of the user's mail program with the
// recipients, the subject, the body and one "--attach" per photo. An address that would be
// taken for an option is left out.
std::vector<std::string> XdgEmailArguments(const TMailContent& content);

// A "mailto:" address with the recipients, the subject and the body, percent-encoded as
// UTF-8; attachments cannot travel this way.
std::string MailtoAddress(const TMailContent& content);

}  // namespace fotoloom
