// Cutting server replies from the bytes received: what a misbehaving server may send.
#include <gtest/gtest.h>

#include "smtp_reply.h"

namespace vorms::mail {
namespace {

TEST(TakeReply, CutsOneReplyAndKeepsWhatFollows) {
  struct Case {
    std::string bytes;
    ReplyState state;
    int code;
    std::string text;
    std::string left;
  };
  const Case cases[] = {
      {"220 ready\r\n", ReplyState::Complete, 220, "ready", ""},
      {"250-mail.test\r\n250-SIZE 100\r\n250 HELP\r\n354 go\r\n", ReplyState::Complete, 250,
       "mail.test SIZE 100 HELP", "354 go\r\n"},
      {"221\n", ReplyState::Complete, 221, "", ""},  // bare LF, no text
      {"250-first\r\n250 sec", ReplyState::NeedMore, 0, "", "250-first\r\n250 sec"},
      {"", ReplyState::NeedMore, 0, "", ""},
      {"HTTP/1.1 400 Bad Request\r\n", ReplyState::Malformed, 0, "HTTP/1.1 400 Bad Request", "HTTP/1.1 400 Bad Request\r\n"},
      {"25 short\r\n", ReplyState::Malformed, 0, "25 short", "25 short\r\n"},
      {"250x\r\n", ReplyState::Malformed, 0, "250x", "250x\r\n"},
      {"220 " + std::string(kMaxReplyLine, 'a'), ReplyState::TooLong, 0, "", "220 " + std::string(kMaxReplyLine, 'a')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes.substr(0, 40));
    std::string buffer = c.bytes;
    Reply reply;
    EXPECT_EQ(TakeReply(buffer, &reply), c.state);
    EXPECT_EQ(reply.code, c.code);
    EXPECT_EQ(reply.text, c.text);
    EXPECT_EQ(buffer, c.left);
  }
}

TEST(TakeReply, AnEndlessContinuationIsRefusedAtTheReplyLimit) {
  std::string buffer;
  while (buffer.size() <= kMaxReply) buffer += "250-more\r\n";
  Reply reply;
  EXPECT_EQ(TakeReply(buffer, &reply), ReplyState::TooLong);
}

}  // namespace
}  // namespace vorms::mail
