// The SMTP client against real local servers: what arrives, and how each kind of server
// failure ends.
#include <gtest/gtest.h>

#include <thread>

#include "handles.h"
#include "smtp_client.h"
#include "smtp_test_servers.h"
#include "test_support.h"

namespace vorms::mail {
namespace {

using test::ReceivedMail;
using test::SmtpAddress;
using test::UniqueRecipient;
using test::WaitForMail;

SmtpServer Server(const std::string& name, DWORD reply_timeout_ms = 60000) {
  SmtpServer server;
  server.host = SmtpAddress(name);
  server.reply_timeout_ms = reply_timeout_ms;
  return server;
}

// Every byte value, and lines a careless client would end the message on.
std::string AwkwardBytes() {
  std::string bytes = "\r\n.\r\n..\r\n.\n";
  for (int i = 0; i < 256 * 40; ++i) bytes += static_cast<char>(i * 7 + i / 256);
  return bytes;
}

TEST(SendMail, DeliversSubjectSenderNameTextAndAttachmentUnchanged) {
  test::TempFolder folder;
  const std::string attachment = folder.File("tsc_smtp.zip");
  test::WriteFile(attachment, AwkwardBytes());
  struct Case {
    std::string server, subject, text, expected_text;
  };
  const Case cases[] = {
      {"normal", "[PLOMENK.10001067.P.617]: New TSC Updated on OfficeScan Server",
       "TSC Version 1.0\r\n.\r\n..starts with dots\r\nlast line", "TSC Version 1.0\r\n.\r\n..starts with dots\r\nlast line\r\n"},
      {"normal", "Caf\xe9 \xe0 la cr\xe8me", "bare\nline ends\n" + std::string(1200, 'L') + "\n",
       "bare\r\nline ends\r\n" + std::string(1200, 'L') + "\r\n"},
      {"helo_only", "no extensions", "sent after HELO\r\n", "sent after HELO\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.server + ": " + c.subject);
    Mail mail;
    mail.from = "vorms@server.test";
    mail.from_name = "VORMS SENDER";
    mail.to = UniqueRecipient("admin");
    mail.subject = c.subject;
    mail.text = c.text;
    mail.attachment = attachment;

    const SendOutcome outcome = SendMail(Server(c.server), mail);
    EXPECT_TRUE(outcome.sent()) << outcome.explanation;
    EXPECT_EQ(TestMailOutcomeText(outcome), "Success");

    const ReceivedMail received = WaitForMail(mail.to);
    ASSERT_FALSE(received.folder.empty()) << "nothing arrived";
    // The server decodes headers to UTF-8; the client sends the ANSI code page's bytes.
    wchar_t wide[512];
    char utf8[1024];
    int n = ::MultiByteToWideChar(CP_ACP, 0, c.subject.c_str(), -1, wide, 512);
    ::WideCharToMultiByte(CP_UTF8, 0, wide, n, utf8, sizeof utf8, nullptr, nullptr);
    EXPECT_EQ(received.File("subject.txt"), utf8);
    EXPECT_EQ(received.File("from_name.txt"), "VORMS SENDER");
    EXPECT_EQ(received.File("from_address.txt"), "vorms@server.test");
    EXPECT_EQ(received.File("envelope.txt"), "vorms@server.test\n" + mail.to);
    EXPECT_EQ(received.File("body.txt"), c.expected_text);
    EXPECT_EQ(received.File("attachment\\tsc_smtp.zip"), AwkwardBytes());
    EXPECT_EQ(received.File("date_ok.txt"), "1");
    EXPECT_NE(received.File("message_id.txt"), "");
    EXPECT_EQ(received.File("defects.txt"), "");
  }
}

TEST(SendMail, TheConsolesTestMailArrivesAsTheConsoleDescribesIt) {
  const std::string to = UniqueRecipient("test-it");
  const SendOutcome outcome = SendMail(Server("normal"), TestMail("vorms@server.test", to));
  EXPECT_EQ(TestMailOutcomeText(outcome), "Success");
  const ReceivedMail received = WaitForMail(to);
  EXPECT_EQ(received.File("subject.txt"), "VORMS SMTP TESTS");
  EXPECT_EQ(received.File("body.txt"), "This is a VORMS test\r\n");
  EXPECT_EQ(received.File("from_name.txt"), "VORMS SENDER");
  EXPECT_FALSE(received.Has("attachment"));
}

TEST(SendMail, EachFailureEndsInItsStageAndIsNeverASuccess) {
  struct Case {
    const char* what;
    std::string host;
    std::string to;
    std::string attachment;
    Stage stage;
    const char* explanation_part;
    const char* console_text;
  };
  const std::string sent_nowhere = UniqueRecipient("never");
  const Case cases[] = {
      {"nothing listens", SmtpAddress("refused"), sent_nowhere, "", Stage::Connect, "connection refused",
       "Failed to connect to SMTP Server"},
      {"no server given", "   ", sent_nowhere, "", Stage::Connect, "No SMTP server", "Failed to connect to SMTP Server"},
      {"a port out of range", "127.0.0.1:70000", sent_nowhere, "", Stage::Connect, "not a server name",
       "Failed to connect to SMTP Server"},
      {"550 to RCPT", SmtpAddress("reject_rcpt"), UniqueRecipient("rejected"), "", Stage::Send, "550 5.1.1",
       "Failed to send the test mail: "},
      {"dropped during DATA", SmtpAddress("drop_data"), sent_nowhere, "", Stage::Send, "closed the connection",
       "Failed to send the test mail: "},
      {"a server that never answers", SmtpAddress("silent"), sent_nowhere, "", Stage::Connect, "No answer",
       "Failed to connect to SMTP Server"},
      {"an empty recipient", SmtpAddress("normal"), "", "", Stage::Prepare, "recipient address is empty",
       "Failed to send the test mail: "},
      {"a recipient that smuggles a command", SmtpAddress("normal"), sent_nowhere + ">\r\nRCPT TO:<x@y.z", "",
       Stage::Prepare, "not a mail address", "Failed to send the test mail: "},
      {"a missing attachment", SmtpAddress("normal"), sent_nowhere, "C:\\no\\such\\file.zip", Stage::Prepare,
       "cannot be read", "Failed to send the test mail: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SmtpServer server;
    server.host = c.host;
    server.reply_timeout_ms = 1500;
    Mail mail = TestMail("vorms@server.test", c.to);
    mail.attachment = c.attachment;
    const SendOutcome outcome = SendMail(server, mail);
    EXPECT_EQ(outcome.reached, c.stage) << outcome.explanation;
    EXPECT_FALSE(outcome.sent());
    EXPECT_NE(outcome.explanation.find(c.explanation_part), std::string::npos) << outcome.explanation;
    EXPECT_EQ(TestMailOutcomeText(outcome).rfind(c.console_text, 0), 0u) << TestMailOutcomeText(outcome);
    EXPECT_NE(TestMailOutcomeText(outcome), "Success");
  }
  EXPECT_FALSE(test::AnyMailTo(sent_nowhere));
}

TEST(SendMail, AStopRequestEndsASessionWithASilentServer) {
  Handle stop(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  SmtpServer server = Server("silent");  // its own limits are far away
  server.stop = stop.get();
  std::thread stopper([&] {
    ::Sleep(300);
    ::SetEvent(stop.get());
  });
  const SendOutcome outcome = SendMail(server, TestMail("vorms@server.test", UniqueRecipient("stopped")));
  stopper.join();
  EXPECT_TRUE(outcome.stopped);
  EXPECT_FALSE(outcome.sent());
  EXPECT_NE(outcome.explanation.find("stop request"), std::string::npos) << outcome.explanation;
}

TEST(SendMail, ReportsEachStepToTheStatusCallback) {
  std::vector<std::string> lines;
  SmtpServer server = Server("normal");
  server.status = [&](const std::string& line) { lines.push_back(line); };
  ASSERT_TRUE(SendMail(server, TestMail("vorms@server.test", UniqueRecipient("status"))).sent());
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0].rfind("Connecting to 127.0.0.1:", 0), 0u);
  EXPECT_EQ(lines[1].rfind("< 220 ", 0), 0u);
  EXPECT_EQ(lines.back().rfind("< 221", 0), 0u);
}

}  // namespace
}  // namespace vorms::mail
