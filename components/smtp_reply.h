// Replies of an SMTP server, cut from the bytes it sent. Plain C++ with no Win32 calls:
// what a server sends is outside input, and this is where it is checked.
#pragma once

#include <cstddef>
#include <string>

namespace vorms::mail {

inline constexpr std::size_t kMaxReplyLine = 4096;  // far above the protocol's 512
inline constexpr std::size_t kMaxReply = 64 * 1024;

struct Reply {
  int code = 0;      // the three digits of the last line
  std::string text;  // the text of every line, joined by blanks

  std::string Shown() const { return std::to_string(code) + (text.empty() ? "" : " " + text); }
};

enum class ReplyState {
  NeedMore,   // no whole reply yet: read more
  Complete,   // *reply holds it; its bytes are gone from the buffer
  Malformed,  // a line that is not "ddd", "ddd text" or "ddd-text"; reply->text holds its start
  TooLong,    // a line or the whole reply is over its limit
};

// Takes the first whole reply (lines ended by CR LF or LF, "ddd-" lines continuing it)
// from the front of buffer; bytes after it stay for the next reply.
ReplyState TakeReply(std::string& buffer, Reply* reply);

}  // namespace vorms::mail
