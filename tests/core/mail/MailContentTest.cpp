#include "core/mail/MailContent.h"

#include <gtest/gtest.h>

#include <array>

#include "core/base/Error.h"
#include "core/mail/MailBudget.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

using Strings = std::vector<std::string>;

TEST(MailContentTest, RecipientsSkipEmptyItemsAndRepeats) {
  struct Case {
    const char* text;
    Strings addresses;
  };
  const std::array cases = {
      Case{"piet@example.nl,", {"piet@example.nl"}},
      Case{"piet@example.nl, kees@example.nl ,,marie@example.nl",
           {"piet@example.nl", "kees@example.nl", "marie@example.nl"}},
      Case{"piet@example.nl,Piet@Example.nl, kees@example.nl",
           {"piet@example.nl", "kees@example.nl"}},
      Case{" , ,", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(MailRecipients(c.text), c.addresses) << c.text;
}

TEST(MailContentTest, PortTextMustBeAWholeNumber) {
  EXPECT_EQ(MailPort("2525"), 2525);
  for (const char* text : {"", "smtp", "25a", "2.5"}) {
    try {
      MailPort(text);
      ADD_FAILURE() << text;
    } catch (const Error& error) {
      EXPECT_EQ(std::string(error.what()),
                "'" + std::string(text) + "' is not a valid integer value");
    }
  }
}

class MailBudgetTest : public ::testing::Test {
 protected:
  std::string Photo(const std::string& name, size_t size) {
    const std::string path = dir.File(name);
    test::WriteFileBytes(path, std::vector<uint8_t>(size, 0x5A));
    return path;
  }
  test::TempDir dir;
};

TEST_F(MailBudgetTest, Base64GrowthIsCounted) {
  TMailContent mail{.subject = "Foto's"};
  const uint64_t bare = EncodedMailSize(mail);
  mail.attachments = {Photo("a.jpg", 300000)};
  // 400000 characters of base64 plus a line break per 76 of them.
  EXPECT_GE(EncodedMailSize(mail) - bare, 400000u + 2 * 400000u / 76);
  EXPECT_LE(EncodedMailSize(mail) - bare, 400000u + 2 * 400000u / 76 + 1024);
}

TEST_F(MailBudgetTest, SplitsInListOrderUnderTheBudget) {
  TMailContent mail{.subject = "Vakantie"};
  mail.attachments = {Photo("1.jpg", 300000), Photo("2.jpg", 300000), Photo("3.jpg", 300000),
                      Photo("4.jpg", 500000)};
  const uint64_t budget = 1000000;
  const std::vector<TMailContent> mails = SplitOverMails(mail, budget);
  ASSERT_EQ(mails.size(), 3u);
  EXPECT_EQ(mails[0].subject, "Vakantie (1/3)");
  EXPECT_EQ(mails[2].subject, "Vakantie (3/3)");
  EXPECT_EQ(mails[0].attachments, Strings({dir.File("1.jpg"), dir.File("2.jpg")}));
  EXPECT_EQ(mails[1].attachments, Strings{dir.File("3.jpg")});
  EXPECT_EQ(mails[2].attachments, Strings{dir.File("4.jpg")});
  for (const TMailContent& part : mails) EXPECT_LE(EncodedMailSize(part), budget);
}

TEST_F(MailBudgetTest, AMailThatFitsKeepsItsSubject) {
  TMailContent mail{.subject = "Vakantie",
                    .attachments = {Photo("1.jpg", 1000), Photo("2.jpg", 1000)}};
  const std::vector<TMailContent> mails = SplitOverMails(mail, 1000000);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0].subject, "Vakantie");
  EXPECT_EQ(mails[0].attachments, mail.attachments);
}

TEST_F(MailBudgetTest, APhotoLargerThanTheBudgetIsNamed) {
  TMailContent mail{.attachments = {Photo("klein.jpg", 1000), Photo("groot.jpg", 800000)}};
  try {
    SplitOverMails(mail, 1000000);
    ADD_FAILURE();
  } catch (const TPhotoTooLargeError& error) {
    EXPECT_NE(std::string(error.what()).find("\"groot.jpg\""), std::string::npos) << error.what();
  }
}

}  // namespace
}  // namespace fotoloom
