// The mail text from any subject, name and body: no line over the format's limit, and
// the DATA block ends only at its own end, giving back the text when the dots are undone.
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "mime.h"

using namespace vorms;
using fuzz::Check;

namespace {

std::string CrLf(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (text[i] == '\n') {
      out += "\r\n";
    } else {
      out += text[i];
    }
  }
  if (!out.empty() && !out.ends_with("\r\n")) out += "\r\n";
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  const std::string block = mail::SmtpData(input);
  Check(block.ends_with(".\r\n"), "the block ends with the dot line");
  const std::string body = block.substr(0, block.size() - 3);
  Check(body.empty() || body.ends_with("\r\n"), "the dot line stands alone");
  Check(("\r\n" + body).find("\r\n.\r\n") == std::string::npos, "no early end");
  std::string undone;
  bool line_start = true;
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (line_start && body[i] == '.') ++i;  // every line that begins with a dot was doubled
    if (i >= body.size()) break;
    undone += body[i];
    line_start = body[i] == '\n';
  }
  Check(undone == CrLf(input), "undoing the dots gives the text");

  mail::MimeMessage m;
  m.from = "a@b.c";
  m.to = "d@e.f";
  m.from_name = input.substr(0, size / 3);
  m.subject = input.substr(size / 3, size / 3);
  m.text = input;
  m.date = mail::MailDate({2026, 12, 10, 9, 5, 3}, 60);
  m.message_id = mail::MessageId(input.substr(0, 20), "host");
  if (size % 2) {
    m.attachment_name = input.substr(0, 10);
    m.attachment = input;
  }
  const std::string text = mail::MimeText(m);
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    Check(end - start <= 998, "no line over 998 characters");
  }
  Check(start == text.size(), "every line ends with CR LF");
  return 0;
}
