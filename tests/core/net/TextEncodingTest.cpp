#include "core/net/TextEncoding.h"

#include <gtest/gtest.h>

#include <clocale>

#include "core/base/Error.h"

namespace fotoloom {
namespace {

TEST(TextEncodingTest, PercentEncodingLeavesOnlyUnreservedCharacters) {
  static constexpr struct {
    const char* text;
    const char* encoded;
  } kCases[] = {
      {"Tom & Jerry.jpg", "Tom%20%26%20Jerry.jpg"},
      {"foto #3.jpg", "foto%20%233.jpg"},
      {"50%+korting.jpg", "50%25%2Bkorting.jpg"},
      {"caf\xC3\xA9.jpg", "caf%C3%A9.jpg"},
      {"a/b?c=d", "a%2Fb%3Fc%3Dd"},
      {"A-z_0.9~", "A-z_0.9~"},
      {"", ""},
  };
  for (const auto& c : kCases) EXPECT_EQ(PercentEncoded(c.text), c.encoded) << c.text;
  EXPECT_EQ(PercentEncoded("jan@example.nl", "@"), "jan@example.nl");
}

TEST(TextEncodingTest, ControlCharactersAreRefusedWithTheFieldNamed) {
  EXPECT_FALSE(HasControlCharacters("www/fotos_artikelen/ é"));
  for (const char* bad : {"www\r\nDELE index.html", "a\nb", "tab\there", "del\x7F"})
    EXPECT_TRUE(HasControlCharacters(bad)) << bad;
  try {
    RefuseControlCharacters("www\r\nRMD /www", "De startmap");
    FAIL();
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()).rfind("De startmap bevat een regeleinde", 0), 0u);
  }
}

// Mail headers carry English names whatever the locale of the process.
TEST(TextEncodingTest, MailDateIsRfc5322UnderADutchLocale) {
  const std::string before = std::setlocale(LC_ALL, nullptr);
  const bool dutch = std::setlocale(LC_ALL, "nl_NL.UTF-8") != nullptr;
  EXPECT_EQ(MailDate(1796979903), "Fri, 11 Dec 2026 09:05:03 +0000");
  EXPECT_EQ(MailDate(0), "Thu, 01 Jan 1970 00:00:00 +0000");
  std::setlocale(LC_ALL, before.c_str());
  if (!dutch) GTEST_SKIP() << "nl_NL.UTF-8 is not installed (scripts/install-deps.sh makes it)";
}

TEST(TextEncodingTest, HeaderTextsStayOnOneLineAndOutOfEightBit) {
  EXPECT_EQ(EncodedHeaderText("Foto's\r\nBcc: x@example.nl"), "Foto's  Bcc: x@example.nl");
  EXPECT_EQ(EncodedHeaderText("caf\xC3\xA9"), "=?UTF-8?B?Y2Fmw6k=?=");
}

TEST(TextEncodingTest, AttachmentNamesAreQuotedAndEncoded) {
  EXPECT_EQ(AttachmentDisposition("zee.jpg"),
            "Content-Disposition: attachment; filename=\"zee.jpg\"");
  EXPECT_EQ(AttachmentDisposition("a\"b\\c.jpg"),
            "Content-Disposition: attachment; filename=\"a\\\"b\\\\c.jpg\"");
  EXPECT_EQ(AttachmentDisposition("x\r\nBcc: y.jpg"),
            "Content-Disposition: attachment; filename=\"x  Bcc: y.jpg\"");
  EXPECT_EQ(AttachmentDisposition("caf\xC3\xA9 1.jpg"),
            "Content-Disposition: attachment; filename*=UTF-8''caf%C3%A9%201.jpg");
}

}  // namespace
}  // namespace fotoloom
