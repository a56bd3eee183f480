// The notification mail of the service, in process, against the local SMTP servers.
#include <gtest/gtest.h>

#include "errors.h"
#include "handles.h"
#include "memory_values.h"
#include "settings.h"
#include "smtp_notify.h"
#include "smtp_test_servers.h"
#include "test_support.h"

namespace vorms {
namespace {

using test::ReceivedMail;
using test::SmtpAddress;
using test::UniqueRecipient;

constexpr char kListing[] = "TSC Version 1.0\r\n.\r\nPattern File: 617 (version 617)\r\n";

class SmtpNotifyTest : public testing::Test {
 protected:
  void SetUp() override {
    memory::SetLogsEnabled(1);
    memory::SetDebugOn(1);
    ::CreateDirectoryA(sandbox_.File("temp").c_str(), nullptr);
    test::WriteFile(sandbox_.File("temp\\tsc.exe"), "MZ stand-in tool");
    test::WriteFile(sandbox_.File("temp\\tsc.ptn"), "pattern 617");
    Set("TSC", "Version", "10001067");
    Set("TSC", "Pattern", "617");
    Set("SMTP", "From", "vorms@server.test");
    Set("SMTP", "To", to_);
  }

  void Set(const char* section, const char* key, const std::string& value) {
    WriteSetting(section, key, value, sandbox_.Ini());
  }

  NotifySources Sources() const {
    NotifySources sources;
    sources.listing = [] { return std::string(kListing); };
    return sources;
  }

  // The level-1 lines of vorms.log without their date and program name.
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines = test::ReadLines(sandbox_.File("vorms.log"));
    for (auto& line : lines) line = line.substr(line.find(']') + 1);
    return lines;
  }
  std::string DebugLog() const { return test::ReadFile(sandbox_.File("VORMS_DEBUG.log")); }

  test::ProgramSandbox sandbox_;
  const std::string to_ = UniqueRecipient("notify");
};

TEST_F(SmtpNotifyTest, MailsTheListingUnderTheNewVersionsSubject) {
  Set("SMTP", "Enable", "1");
  Set("SMTP", "SERVER", "  " + SmtpAddress("normal") + "  ");
  EXPECT_TRUE(SMTP_Notify(Sources()));
  EXPECT_EQ(LogLines(), std::vector<std::string>{"SMTP_Notify: Success connecting and sending eMail Notification"});
  const ReceivedMail received = test::WaitForMail(to_);
  EXPECT_EQ(received.File("subject.txt"), "[PLOMENK.10001067.P.617]: New TSC Updated on OfficeScan Server");
  EXPECT_EQ(received.File("body.txt"), kListing);
  EXPECT_EQ(received.File("from_address.txt"), "vorms@server.test");
  EXPECT_NE(DebugLog().find("poSendMail_Status: < 250"), std::string::npos);
  // The attachment is a zip that Python's zipfile checks and unpacks on the server side.
  EXPECT_TRUE(received.Has("attachment\\tsc_smtp.zip"));
  EXPECT_EQ(received.File("zip_ok.txt"), "1");
  EXPECT_EQ(received.File("zip\\tsc.exe"), "MZ stand-in tool");
  EXPECT_EQ(received.File("zip\\tsc.ptn"), "pattern 617");
}

TEST_F(SmtpNotifyTest, GoesWithoutAttachmentWhenPackingFails) {
  Set("SMTP", "Enable", "1");
  Set("SMTP", "SERVER", SmtpAddress("normal"));
  test::WriteFile(sandbox_.File("tsc_smtp.zip"), "an archive left by an earlier mail");
  ::DeleteFileA(sandbox_.File("temp\\tsc.ptn").c_str());
  EXPECT_TRUE(SMTP_Notify(Sources()));
  const ReceivedMail received = test::WaitForMail(to_);
  EXPECT_EQ(received.File("body.txt"), kListing);
  EXPECT_FALSE(received.Has("attachment"));
  EXPECT_FALSE(test::FileExists(sandbox_.File("tsc_smtp.zip")));
}

TEST_F(SmtpNotifyTest, SendsNothingWhenOffOrWithoutAServer) {
  struct Case {
    const char* enable;
    const char* server;
    const char* line;
    const char* enable_after;
  };
  const Case cases[] = {
      {nullptr, "127.0.0.1", "SMTP_Notify: SMTP option is disabled", "0"},  // missing: written as 0
      {"", "127.0.0.1", "SMTP_Notify: SMTP option is disabled", "0"},
      {"0", "127.0.0.1", "SMTP_Notify: SMTP option is disabled", "0"},
      {"1", "     ", "SMTP_Notify: SMTP server is null string", "1"},
      {"-3", "", "SMTP_Notify: SMTP server is null string", "-3"},  // any integer but 0 is on
      {"yes", "127.0.0.1", "SMTP_Notify: Error 13 Type mismatch", "yes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    ::DeleteFileA(sandbox_.File("vorms.log").c_str());
    ::WritePrivateProfileStringA("SMTP", "Enable", nullptr, sandbox_.Ini().c_str());
    if (c.enable) Set("SMTP", "Enable", c.enable);
    Set("SMTP", "SERVER", c.server);
    EXPECT_FALSE(SMTP_Notify(Sources()));
    EXPECT_EQ(LogLines(), std::vector<std::string>{c.line});
    EXPECT_EQ(ReadSetting("SMTP", "Enable", sandbox_.Ini()), c.enable_after);
  }
  EXPECT_FALSE(test::AnyMailTo(to_));
}

TEST_F(SmtpNotifyTest, AFailedSessionIsNeverReportedAsSuccess) {
  struct Case {
    const char* server;
    std::string to;
    const char* line_start;
    const char* debug_part;
  };
  const Case cases[] = {
      {"refused", to_, "SMTP_Notify: error connecting !", "connection refused"},
      {"reject_rcpt", to_, "Error sending eMailThe server refused the recipient", "550 5.1.1"},
      {"drop_data", to_, "Error sending eMailThe server closed the connection", "DATA"},
      {"normal", "   ", "Error sending eMailThe recipient address is empty", nullptr},
  };
  Set("SMTP", "Enable", "1");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.server);
    ::DeleteFileA(sandbox_.File("vorms.log").c_str());
    Set("SMTP", "SERVER", SmtpAddress(c.server));
    Set("SMTP", "To", c.to);
    EXPECT_FALSE(SMTP_Notify(Sources()));
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind(c.line_start, 0), 0u) << lines[0];
    if (c.debug_part) {
      EXPECT_NE(DebugLog().find(c.debug_part), std::string::npos);
    }
  }
  EXPECT_FALSE(test::AnyMailTo(to_));
}

TEST_F(SmtpNotifyTest, TheServicesStopEndsASessionWithASilentServer) {
  test::ScopedStopEvent stop(true);
  Set("SMTP", "Enable", "1");
  Set("SMTP", "SERVER", SmtpAddress("silent"));
  EXPECT_FALSE(SMTP_Notify(Sources()));
  EXPECT_EQ(LogLines(), std::vector<std::string>{"SMTP_Notify: error connecting !"});
  EXPECT_NE(DebugLog().find("stop request"), std::string::npos);
}

TEST_F(SmtpNotifyTest, AListingThatFailsIsTrappedAndNothingIsSent) {
  Set("SMTP", "Enable", "1");
  Set("SMTP", "SERVER", SmtpAddress("normal"));
  NotifySources sources = Sources();
  sources.listing = []() -> std::string { throw RuntimeError(err::kFileNotFound); };
  EXPECT_FALSE(SMTP_Notify(sources));
  EXPECT_EQ(LogLines(), std::vector<std::string>{"SMTP_Notify: Error 53 File not found"});
  EXPECT_FALSE(test::AnyMailTo(to_));
}

}  // namespace
}  // namespace vorms
