// The SMTP client of Vorms and Config: one message, one recipient, over Winsock.
//
// How to call it:
//
//   mail::SmtpServer server;
//   server.host = settings_text;          // "mail.example.com", "10.0.0.5" or "host:2525"
//   server.stop = StopEvent();            // optional: a set event ends the session at once
//   mail::Mail message;
//   message.from = "..."; message.to = "..."; message.subject = "..."; message.text = "...";
//   message.from_name = "...";            // optional display name
//   message.attachment = "C:\\...\\x.zip";  // optional file to attach
//   mail::SendOutcome outcome = mail::SendMail(server, message);
//   if (outcome.sent()) ... else if (!outcome.connected()) ... // outcome.explanation says why
//
// The console's "Test It" sends TestMail(from, to) to port 25 (or the port in the server
// text) and shows TestMailOutcomeText(outcome): "Success" only when the server accepted
// the message, "Failed to connect to SMTP Server" when no session could be opened, and
// "Failed to send the test mail: <explanation>" when the server refused it after that.
//
// Nothing blocks for ever: the connection and every reply have their own time limits,
// and the stop event is watched while waiting. The call never throws.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace vorms::mail {

inline constexpr uint16_t kSmtpPort = 25;

struct SmtpServer {
  // Host name or address, trimmed; ":port" at its end (or "[v6]:port") overrides `port`.
  std::string host;
  uint16_t port = kSmtpPort;
  DWORD connect_timeout_ms = 30000;
  DWORD reply_timeout_ms = 60000;  // for each reply, and for each block of the message sent
  HANDLE stop = nullptr;           // optional; when set, the session ends
  // Optional: one line per step and per reply, for a debug log.
  std::function<void(const std::string&)> status;
};

struct Mail {
  std::string from;        // the sender's address
  std::string from_name;   // optional display name
  std::string to;          // the recipient's address
  std::string subject;
  std::string text;
  std::string attachment;  // optional: full path of one file, sent base64 under its own name
};

// Where a session ended.
enum class Stage {
  Prepare,  // the message could not be made (bad address, attachment unreadable)
  Connect,  // no server text, no TCP connection, no greeting, or EHLO and HELO refused
  Send,     // connected, but the server did not accept the message (or the link broke)
  Done,     // the server accepted the message
};

struct SendOutcome {
  Stage reached = Stage::Prepare;
  std::string explanation;  // empty when sent; otherwise why not (the server's reply when it gave one)
  bool stopped = false;     // the stop event ended it

  bool connected() const { return reached == Stage::Send || reached == Stage::Done; }
  bool sent() const { return reached == Stage::Done; }
};

// One whole session: greeting, EHLO (HELO when EHLO is refused), MAIL FROM, RCPT TO,
// DATA with the MIME text, QUIT. Every reply code is checked.
SendOutcome SendMail(const SmtpServer& server, const Mail& message);

// The console's test message.
inline constexpr char kTestMailSubject[] = "VORMS SMTP TESTS";
inline constexpr char kTestMailText[] = "This is a VORMS test";
inline constexpr char kTestMailSenderName[] = "VORMS SENDER";
Mail TestMail(const std::string& from, const std::string& to);

inline constexpr char kTestMailSuccess[] = "Success";
inline constexpr char kTestMailConnectFailed[] = "Failed to connect to SMTP Server";
std::string TestMailOutcomeText(const SendOutcome& outcome);

}  // namespace vorms::mail
