#include "smtp_reply.h"

#include <algorithm>

namespace vorms::mail {
namespace {

bool IsReplyLine(const std::string& line) {
  if (line.size() < 3 || !std::all_of(line.begin(), line.begin() + 3, [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  return line.size() == 3 || line[3] == ' ' || line[3] == '-';
}

}  // namespace

ReplyState TakeReply(std::string& buffer, Reply* reply) {
  Reply taken;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = buffer.find('\n', start);
    if (end == std::string::npos) {
      if (buffer.size() - start > kMaxReplyLine || buffer.size() > kMaxReply) return ReplyState::TooLong;
      return ReplyState::NeedMore;
    }
    std::string line = buffer.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > kMaxReplyLine || end + 1 > kMaxReply) return ReplyState::TooLong;
    if (!IsReplyLine(line)) {
      reply->code = 0;
      reply->text = line.substr(0, 80);
      return ReplyState::Malformed;
    }
    taken.code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
    if (line.size() > 4) taken.text += (taken.text.empty() ? "" : " ") + line.substr(4);
    start = end + 1;
    if (line.size() == 3 || line[3] == ' ') break;
  }
  buffer.erase(0, start);
  *reply = std::move(taken);
  return ReplyState::Complete;
}

}  // namespace vorms::mail
