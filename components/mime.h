// The mail text the SMTP client sends: headers, one text part and, when given, one
// base64 attachment. Plain C++ with no Win32 calls: the caller supplies the date, the
// message id and the attachment's bytes, so the same input always gives the same text.
//
//   MimeMessage m;
//   m.from = "tsc@example.com"; m.from_name = "VORMS SENDER"; m.to = "admin@example.com";
//   m.subject = "..."; m.text = listing;
//   m.date = MailDate(local_now, utc_offset_minutes);
//   m.message_id = MessageId(unique_part, "host.example.com");
//   m.attachment_name = "tsc_smtp.zip"; m.attachment = zip_bytes;
//   std::string wire = SmtpData(MimeText(m));   // what goes after DATA
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "datetime.h"

namespace vorms::mail {

struct MimeMessage {
  std::string from;       // the sender's address
  std::string from_name;  // display name; empty: the address alone
  std::string to;         // the recipient's address
  std::string subject;
  std::string text;       // any line ends; sent with CR LF
  std::string charset = "windows-1252";  // of subject, name and text when not plain ASCII
  std::string date;       // MailDate(...)
  std::string message_id; // MessageId(...)
  std::string attachment_name;            // empty: no attachment
  std::optional<std::string> attachment;  // its bytes
};

// "Thu, 10 Dec 2026 12:46:13 +0100": local time and its distance from UTC in minutes.
std::string MailDate(const DateTime& local, int utc_offset_minutes);

// "<unique@domain>"; characters a message id may not hold are left out.
std::string MessageId(std::string_view unique, std::string_view domain);

// The whole message with CR LF line ends and no line longer than 998 characters.
std::string MimeText(const MimeMessage& message);

// The text after DATA: every line end made CR LF, lines beginning with "." doubled, and
// the closing "." line.
std::string SmtpData(std::string_view message);

// Base64 in lines of 76 characters, each ended by CR LF.
std::string Base64Lines(std::string_view bytes);

// Base64 of bytes, one line.
std::string Base64(std::string_view bytes);

// An address the client can put between "<" and ">": no line breaks, no angle brackets,
// no blanks, no control characters.
bool IsSafeAddress(std::string_view address);

}  // namespace vorms::mail
