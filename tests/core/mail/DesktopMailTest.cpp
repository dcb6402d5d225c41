#include "core/mail/DesktopMail.h"

#include <gtest/gtest.h>

namespace fotoloom {
namespace {

using Strings = std::vector<std::string>;

TEST(DesktopMailTest, XdgEmailArguments) {
  const TMailContent full{.recipients = {"piet@example.nl", "-x@example.nl"},
                          .subject = "Foto's",
                          .body = "Hallo\nJan",
                          .attachments = {"/f/a.jpg", "/f/c.jpg"}};
  EXPECT_EQ(XdgEmailArguments(full),
            Strings({"--utf8", "--subject", "Foto's", "--body", "Hallo\nJan", "--attach",
                     "/f/a.jpg", "--attach", "/f/c.jpg", "piet@example.nl"}));
  // xdg-email fails on an option without text: empty fields are left out.
  EXPECT_EQ(XdgEmailArguments({.attachments = {"/f/a.jpg"}}),
            Strings({"--utf8", "--attach", "/f/a.jpg"}));
}

TEST(DesktopMailTest, MailtoAddressIsPercentEncoded) {
  const TMailContent mail{.recipients = {"piet@example.nl", "kees@example.nl"},
                          .subject = "Foto's & meer?",
                          .body = "Caf\xC3\xA9\n100%",
                          .attachments = {"/f/a.jpg"}};
  EXPECT_EQ(MailtoAddress(mail),
            "mailto:piet@example.nl,kees@example.nl?subject=Foto%27s%20%26%20meer%3F"
            "&body=Caf%C3%A9%0A100%25");
}

}  // namespace
}  // namespace fotoloom
