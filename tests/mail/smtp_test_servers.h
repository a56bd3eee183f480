// The local SMTP servers that the mail tests' CTest fixture runs, seen from a test under
// Wine: their ports and what the normal ones received.
#pragma once

#include <cstdint>
#include <string>

namespace vorms::test {

// "normal", "helo_only", "reject_rcpt", "drop_data", "silent" or "refused".
uint16_t SmtpPort(const std::string& server);
// "127.0.0.1:<port>".
std::string SmtpAddress(const std::string& server);

// A recipient no other test (nor an earlier run against the same servers) uses.
std::string UniqueRecipient(const std::string& name);

// One message as the server decoded it: the folder holding subject.txt, body.txt,
// from_name.txt, attachment\<name>, zip\<member>, zip_ok.txt, defects.txt...
struct ReceivedMail {
  std::string folder;
  std::string File(const std::string& name) const;  // its content, "" when missing
  bool Has(const std::string& name) const;
};

// Waits (up to 10 s) for the n-th message to the recipient; an empty folder when none came.
ReceivedMail WaitForMail(const std::string& recipient, int n = 1);
// Whether any message reached the recipient (looked at once, without waiting).
bool AnyMailTo(const std::string& recipient);

}  // namespace vorms::test
