// The mail text: encodings, line rules and headers that a server or a mail reader would
// otherwise get wrong.
#include <gtest/gtest.h>

#include "mime.h"

namespace vorms::mail {
namespace {

TEST(Base64, MatchesTheStandardVectors) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {std::string("\xff\xfe\x00", 3), "//4A"}};
  for (const auto& [in, out] : cases) EXPECT_EQ(Base64(in), out) << in;
}

TEST(Base64Lines, BreaksEverySeventySixCharacters) {
  const std::string text = Base64Lines(std::string(100, 'x'));
  EXPECT_EQ(text.find("\r\n"), 76u);
  EXPECT_EQ(text.size(), 76u + 2 + 60 + 2);  // 100 bytes: 136 characters on two lines
}

TEST(SmtpData, DoublesLeadingDotsAndEndsWithTheDotLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"a\r\n.\r\nb", "a\r\n..\r\nb\r\n.\r\n"},  // a lone dot would end the message early
      {".x\n..y\r\nz.", "..x\r\n...y\r\nz.\r\n.\r\n"},
      {"one\rtwo\r\n", "one\r\ntwo\r\n.\r\n"},  // lone CR and LF become CR LF
      {"", ".\r\n"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(SmtpData(in), out) << in;
}

TEST(MailDate, IsTheMailFormatsDateWithTheZoneOffset) {
  EXPECT_EQ(MailDate({2026, 12, 10, 9, 5, 3}, 60), "Thu, 10 Dec 2026 09:05:03 +0100");
  EXPECT_EQ(MailDate({2000, 1, 1, 0, 0, 0}, -330), "Sat, 1 Jan 2000 00:00:00 -0530");
}

TEST(IsSafeAddress, RefusesWhatCouldBreakOutOfTheCommand) {
  EXPECT_TRUE(IsSafeAddress("admin@example.com"));
  for (const char* bad : {"a@b\r\nRCPT TO:<c@d>", "a b@c", "a>@b", "<a@b", "a\t@b"}) EXPECT_FALSE(IsSafeAddress(bad)) << bad;
}

TEST(MimeText, HeadersCannotBeInjectedAndLongSubjectsAreFolded) {
  MimeMessage m;
  m.from = "a@b.c";
  m.to = "d@e.f";
  m.subject = "first\r\nBcc: victim@x.y ";
  m.subject.append(200, 'w').append(1, ' ').append(30, 'q');
  m.text = "t";
  const std::string text = MimeText(m);
  EXPECT_EQ(text.find("\r\nBcc:"), std::string::npos);
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    EXPECT_LE(end - start, 998u);
  }
  std::string folded = "\r\n ";
  folded.append(30, 'q');
  EXPECT_NE(text.find(folded), std::string::npos);  // folded at a blank
}

}  // namespace
}  // namespace vorms::mail
