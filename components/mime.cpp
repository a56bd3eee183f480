#include "mime.h"

#include <cstdio>
#include <cstdlib>

namespace vorms::mail {
namespace {

constexpr std::size_t kMaxLine = 998;        // the mail format's limit, without CR LF
constexpr std::size_t kFoldAt = 76;          // where a long header line is broken
constexpr std::size_t kWordBytes = 45;       // bytes per encoded word: 60 base64 characters

bool IsPlainAscii(std::string_view text) {
  for (unsigned char c : text) {
    if (c >= 0x80 || (c < 0x20 && c != '\r' && c != '\n' && c != '\t') || c == 0x7f) return false;
  }
  return true;
}

// Every CR LF, lone CR and lone LF becomes CR LF.
std::string CrLfLines(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

bool HasLongLine(std::string_view crlf_text) {
  std::size_t start = 0;
  for (;;) {
    std::size_t end = crlf_text.find("\r\n", start);
    std::size_t length = (end == std::string_view::npos ? crlf_text.size() : end) - start;
    if (length > kMaxLine) return true;
    if (end == std::string_view::npos) return false;
    start = end + 2;
  }
}

// Header text with no line breaks of its own: a header value cannot start a new header.
std::string OneLine(std::string_view text) {
  std::string out;
  for (char c : text) out += (c == '\r' || c == '\n') ? ' ' : c;
  return out;
}

// Encoded words (=?charset?B?...?=) separated by folding, for text that is not ASCII.
std::string EncodedWords(std::string_view text, const std::string& charset) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); i += kWordBytes) {
    if (i > 0) out += "\r\n ";
    out += "=?" + charset + "?B?" + Base64(text.substr(i, kWordBytes)) + "?=";
  }
  return out;
}

// A header line "Name: value", broken at blanks so that its lines stay short; a run of
// text without blanks stays whole up to the format's own limit.
std::string FoldedHeader(std::string_view name, std::string_view value) {
  std::string out(name);
  out += ":";
  std::size_t line_length = out.size();
  std::size_t pos = 0;
  while (pos < value.size()) {
    std::size_t space = value.find(' ', pos + 1);
    std::string_view word = value.substr(pos, space == std::string_view::npos ? std::string_view::npos : space - pos);
    if (pos == 0) {
      out += ' ';
      ++line_length;
      if (word.front() == ' ') word.remove_prefix(1);
    } else if (line_length + word.size() > kFoldAt) {
      out += "\r\n";  // the word's own blank opens the continuation line
      line_length = 0;
    }
    if (line_length + word.size() > kMaxLine) word = word.substr(0, kMaxLine - line_length);
    out += word;
    line_length += word.size();
    if (space == std::string_view::npos) break;
    pos = space;
  }
  return out + "\r\n";
}

std::string HeaderText(std::string_view text, const std::string& charset) {
  std::string line = OneLine(text);
  return IsPlainAscii(line) ? line : EncodedWords(line, charset);
}

// A display name as the mail format wants it: a quoted string, or encoded words.
std::string DisplayName(std::string_view name, const std::string& charset) {
  std::string line = OneLine(name);
  if (!IsPlainAscii(line)) return EncodedWords(line, charset);
  std::string quoted = "\"";
  for (char c : line) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string ContentTypeOf(std::string_view file_name) {
  std::size_t dot = file_name.rfind('.');
  std::string ext;
  if (dot != std::string_view::npos) {
    for (char c : file_name.substr(dot + 1)) ext += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  }
  if (ext == "zip") return "application/zip";
  if (ext == "txt" || ext == "log") return "text/plain";
  return "application/octet-stream";
}

// A file name for the parameter: quotes and line breaks removed.
std::string QuotedFileName(std::string_view name) {
  std::string out = "\"";
  for (char c : OneLine(name)) {
    if (c == '"' || c == '\\') continue;
    out += c;
  }
  return out + "\"";
}

// The text part: 7bit when it is plain ASCII with short lines, base64 otherwise.
std::string TextPart(const MimeMessage& m) {
  std::string text = CrLfLines(m.text);
  const bool plain = IsPlainAscii(text) && !HasLongLine(text);
  std::string part = "Content-Type: text/plain; charset=" + (plain ? std::string("us-ascii") : m.charset) + "\r\n";
  if (plain) {
    part += "Content-Transfer-Encoding: 7bit\r\n\r\n" + text;
    if (!text.ends_with("\r\n")) part += "\r\n";
  } else {
    part += "Content-Transfer-Encoding: base64\r\n\r\n" + Base64Lines(text);
  }
  return part;
}

// A boundary that no line of the text part can match: base64 never holds "=_", and a
// 7bit text is searched.
std::string BoundaryFor(const std::string& text_part, std::string_view message_id) {
  std::string base = "=_vorms_";
  for (char c : message_id) {
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) base += c;
  }
  std::string boundary = base;
  for (int n = 1; text_part.find(boundary) != std::string::npos; ++n) boundary = base + "_" + std::to_string(n);
  return boundary;
}

// Day of the week of a calendar date (Sakamoto's method), 0 for Sunday.
int Weekday(int year, int month, int day) {
  static constexpr int kOffsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) year -= 1;
  return (year + year / 4 - year / 100 + year / 400 + kOffsets[(month + 11) % 12] + day) % 7;
}

constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16 | static_cast<unsigned char>(bytes[i + 1]) << 8 |
                 static_cast<unsigned char>(bytes[i + 2]);
    out += kDigits[v >> 18];
    out += kDigits[(v >> 12) & 63];
    out += kDigits[(v >> 6) & 63];
    out += kDigits[v & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kDigits[v >> 18];
    out += kDigits[(v >> 12) & 63];
    out += rest == 2 ? kDigits[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string Base64Lines(std::string_view bytes) {
  constexpr std::size_t kBytesPerLine = 57;  // 76 characters
  std::string out;
  out.reserve((bytes.size() / kBytesPerLine + 1) * 78 + bytes.size() / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += kBytesPerLine) {
    out += Base64(bytes.substr(i, kBytesPerLine));
    out += "\r\n";
  }
  return out;
}

std::string MailDate(const DateTime& local, int utc_offset_minutes) {
  const int month = local.month >= 1 && local.month <= 12 ? local.month - 1 : 0;
  const int offset = std::abs(utc_offset_minutes);
  char text[64];
  std::snprintf(text, sizeof text, "%s, %d %s %04d %02d:%02d:%02d %c%02d%02d",
                kDays[Weekday(local.year, month + 1, local.day)], local.day, kMonths[month], local.year,
                local.hour, local.minute, local.second, utc_offset_minutes < 0 ? '-' : '+',
                offset / 60, offset % 60);
  return text;
}

std::string MessageId(std::string_view unique, std::string_view domain) {
  auto atoms = [](std::string_view text) {
    std::string out;
    for (char c : text) {
      if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
          c == '.' || c == '-' || c == '_') {
        out += c;
      }
    }
    return out;
  };
  std::string host = atoms(domain);
  std::string id(1, '<');
  id += atoms(unique);
  id += '@';
  id += host.empty() ? std::string("localhost") : host;
  id += '>';
  return id;
}

bool IsSafeAddress(std::string_view address) {
  for (unsigned char c : address) {
    if (c <= 0x20 || c == 0x7f || c == '<' || c == '>') return false;
  }
  return true;
}

std::string MimeText(const MimeMessage& m) {
  std::string from = m.from_name.empty() ? "<" + m.from + ">" : DisplayName(m.from_name, m.charset) + " <" + m.from + ">";
  std::string head;
  head += FoldedHeader("Date", m.date);
  head += FoldedHeader("From", from);
  head += FoldedHeader("To", "<" + m.to + ">");
  head += FoldedHeader("Subject", HeaderText(m.subject, m.charset));
  head += FoldedHeader("Message-ID", m.message_id);
  head += "MIME-Version: 1.0\r\n";

  std::string text_part = TextPart(m);
  if (!m.attachment) return head + text_part;

  const std::string boundary = BoundaryFor(text_part, m.message_id);
  std::string name = QuotedFileName(m.attachment_name.empty() ? "attachment" : m.attachment_name);
  std::string out = head;
  out += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
  out += "This is a message in MIME format.\r\n";
  // The line end before a boundary belongs to the boundary: one more keeps the text's last.
  out += "--" + boundary + "\r\n" + text_part + "\r\n";
  out += "--" + boundary + "\r\n";
  out += "Content-Type: " + ContentTypeOf(m.attachment_name) + "; name=" + name + "\r\n";
  out += "Content-Transfer-Encoding: base64\r\n";
  out += "Content-Disposition: attachment; filename=" + name + "\r\n\r\n";
  out += Base64Lines(*m.attachment);
  out += "--" + boundary + "--\r\n";
  return out;
}

std::string SmtpData(std::string_view message) {
  std::string text = CrLfLines(message);
  std::string out;
  out.reserve(text.size() + 8);
  bool line_start = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (line_start && text[i] == '.') out += '.';
    out += text[i];
    line_start = text[i] == '\n';
  }
  if (!out.empty() && !line_start) out += "\r\n";
  return out + ".\r\n";
}

}  // namespace vorms::mail
