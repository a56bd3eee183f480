// The whole job of the installed service: a local FTP folder offers zipped packages of the
// stand-in tool, a local SMTP server keeps what it receives. Check-now fetches and installs
// the newest package and mails it; a second check finds nothing new and stays quiet; a newer
// package put on the folder later replaces the installed tool and is mailed too.
#include <gtest/gtest.h>

#include "install_fixture.h"
#include "installed_service.h"
#include "job_fixture.h"
#include "settings.h"
#include "smtp_test_servers.h"
#include "test_support.h"

namespace vorms {
namespace {

using test::Count;
using test::ReadFile;
using test::ReceivedMail;
using test::Release;
using test::StandIn;

constexpr Release kFirst{"1.0.0.1067", "617", "1001067", 40000};
constexpr Release kSecond{"1.0.0.1067", "618", "1001067", 50000};
constexpr Release kThird{"1.0.0.1100", "620", "1001100", 60000};

// Mail text has CRLF lines only: a bare CR or LF of the listing travels as a line end.
std::string LineEndsOfMail(std::string text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i] == '\r' ? '\n' : text[i];
  }
  return out;
}

class EndToEnd : public test::ServiceJob {
 protected:
  // The mail of one installation: subject, the tool's listing, both files attached.
  void ExpectMailOf(const ReceivedMail& mail, const Release& release) const {
    ASSERT_FALSE(mail.folder.empty()) << "no mail for " << release.version;
    EXPECT_EQ(mail.File("subject.txt"), std::string("[PLOMENK.") + release.version_text + ".P." +
                                            release.pattern + "]: New TSC Updated on OfficeScan Server");
    std::string command = "\"";
    command += StandIn(release.version, release.pattern);
    command += "\" /VL";
    const std::string listing = test::RunProcess(command).output;
    ASSERT_NE(listing.find("TSC Version "), std::string::npos) << listing;
    EXPECT_EQ(LineEndsOfMail(mail.File("body.txt")), LineEndsOfMail(listing));
    EXPECT_TRUE(mail.Has("attachment\\tsc_smtp.zip"));
    EXPECT_EQ(mail.File("zip_ok.txt"), "1");
    EXPECT_TRUE(mail.File("zip\\tsc.exe") == ReadFile(StandIn(release.version, release.pattern)));
    EXPECT_EQ(mail.File("zip\\tsc.ptn").size(), release.ptn_size);
  }

  void ExpectInstalled(const Release& release) const {
    EXPECT_TRUE(AdminHolds(release)) << "ADMIN does not hold " << release.version << "/" << release.pattern;
    EXPECT_EQ(ReadSetting("TSC", "Version", Ini()), release.version_text);
    EXPECT_EQ(ReadSetting("TSC", "Pattern", Ini()), release.pattern);
  }
};

TEST_F(EndToEnd, InstallsAndMailsTheNewestPackageOnceThenANewerOne) {
  Configure();
  Offer("old", kFirst, -48);
  Offer("new", kSecond, -24);
  ASSERT_TRUE(test::InstallAndStartVorms(folder_.path())) << ::GetLastError();

  // The newest package of the folder, installed, stamped and mailed.
  CheckNowUntil("SMTP_Notify: Success connecting and sending eMail Notification", 1);
  ExpectInstalled(kSecond);
  EXPECT_EQ(Count(Log(), "ApplyTmTouch: successfull Change TSC.PTN to "), 1u);
  ExpectMailOf(test::WaitForMail(to_, 1), kSecond);

  // Nothing newer on the folder: the check ends at the retrieval, nothing installed or sent.
  CheckNowUntil("Launch: STARTFTP=False", 1);
  EXPECT_EQ(Count(Log(), "UpdateTSC: Update TSC.EXE File"), 1u);
  EXPECT_EQ(Count(Log(), "SMTP_Notify: Success connecting and sending eMail Notification"), 1u);
  EXPECT_TRUE(test::WaitForMail(to_, 2).folder.empty()) << "a second mail came for no installation";
  ExpectInstalled(kSecond);

  // A newer package appears: it is fetched, installed over the old tool and mailed.
  Offer("newer", kThird, -1);
  CheckNowUntil("SMTP_Notify: Success connecting and sending eMail Notification", 2);
  EXPECT_EQ(Count(Log(), "UpdateTSC: Update TSC.EXE File"), 2u);
  ExpectInstalled(kThird);
  ExpectMailOf(test::WaitForMail(to_, 2), kThird);
}

}  // namespace
}  // namespace vorms
