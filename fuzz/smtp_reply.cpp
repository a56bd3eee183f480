// SMTP replies from any bytes: every reply taken shortens the buffer, a refused buffer
// stays as it was, and codes are three digits.
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "smtp_reply.h"

using namespace vorms;
using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string buffer(reinterpret_cast<const char*>(data), size);
  for (;;) {
    const std::string before = buffer;
    mail::Reply reply;
    const mail::ReplyState state = mail::TakeReply(buffer, &reply);
    if (state != mail::ReplyState::Complete) {
      Check(buffer == before, "an unfinished or refused reply leaves the buffer alone");
      return 0;
    }
    Check(buffer.size() < before.size(), "a reply takes bytes");
    Check(before.compare(before.size() - buffer.size(), buffer.size(), buffer) == 0, "what is left is the tail");
    Check(reply.code >= 0 && reply.code <= 999, "three digits");
    Check(reply.text.size() <= mail::kMaxReply, "bounded text");
  }
}
