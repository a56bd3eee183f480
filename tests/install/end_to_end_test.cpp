// The whole job of the installed service: a local FTP folder offers zipped packages of the
// stand-in tool, a local SMTP server keeps what it receives. Check-now fetches and installs
// the newest package and mails it; a second check finds nothing new and stays quiet; a newer
// package put on the folder later replaces the installed tool and is mailed too.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>

#include "com_client.h"
#include "handles.h"
#include "install_fixture.h"
#include "installed_service.h"
#include "settings.h"
#include "smtp_test_servers.h"
#include "test_support.h"
#include "zip_files.h"

namespace vorms {
namespace {

using test::Count;
using test::ReadFile;
using test::ReceivedMail;
using test::StandIn;

constexpr DWORD kCheckMs = 90000;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The FTP server's folder as this Wine program sees it.
std::string FtpRootFolder() {
  std::string root = "Z:" + Env("VORMS_FTP_ROOT");
  for (char& c : root) c = c == '/' ? '\\' : c;
  return root;
}

// A file time hours before now (negative: in the past), as the FTP listing will show it.
void SetWrittenHoursFromNow(const std::string& path, int hours) {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER t{};
  t.LowPart = now.dwLowDateTime;
  t.HighPart = now.dwHighDateTime;
  t.QuadPart += static_cast<long long>(hours) * 3600LL * 10000000LL;
  FILETIME written{t.LowPart, t.HighPart};
  FileHandle file(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  ASSERT_TRUE(::SetFileTime(file.get(), nullptr, nullptr, &written));
}

// Mail text has CRLF lines only: a bare CR or LF of the listing travels as a line end.
std::string LineEndsOfMail(std::string text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i] == '\r' ? '\n' : text[i];
  }
  return out;
}

class EndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Env("VORMS_FTP_PORT").empty()) << "run through with_servers.sh (ctest does)";
    ASSERT_FALSE(Env("VORMS_SMTP_STATE").empty()) << "needs the smtp_servers fixture (ctest does)";
    test::RemoveVorms();
    ASSERT_EQ(test::Regsvr32("/s", test::BuildFolder() + "\\Ostrilen.dll"), 0u);
    remote_ = FtpRootFolder() + "\\products\\tsc";
    test::RemoveTree(FtpRootFolder() + "\\products");
    ::CreateDirectoryA((FtpRootFolder() + "\\products").c_str(), nullptr);
    ::CreateDirectoryA(remote_.c_str(), nullptr);
  }
  void TearDown() override {
    test::RemoveVorms();
    test::Regsvr32("/s /u", test::BuildFolder() + "\\Ostrilen.dll");
    if (HasFailure()) {
      std::cout << "--- vorms.log\n" << Log() << "--- events.log\n" << ReadFile(File("events.log"))
                << "--- VORMS_DEBUG.log\n" << ReadFile(File("VORMS_DEBUG.log"));
    }
  }

  std::string File(const std::string& name) const { return folder_.File(name); }
  std::string Admin(const std::string& name) const { return File("PCCSRV\\ADMIN\\" + name); }
  std::string Log() const { return ReadFile(File("vorms.log")); }
  std::string Ini() const { return File("plomenk.ini"); }

  void Configure() const {
    WriteSetting("LOGS", "Enable", "1", Ini());
    WriteSetting("Service", "DebugMode", "1", Ini());
    WriteSetting("HTTP", "UseThis", "0", Ini());
    WriteSetting("FTP", "UseThis", "1", Ini());
    WriteSetting("FTP", "UsePassive", "1", Ini());
    WriteSetting("FTP", "DefaultFolder", "ftp://127.0.0.1:" + Env("VORMS_FTP_PORT") + "/products/tsc", Ini());
    WriteSetting("Service", "StartActions", "0", Ini());
    WriteSetting("Service", "ReloadParameters", "0", Ini());
    WriteSetting("OFFICESCAN", "ProgramDirectory", File("PCCSRV"), Ini());
    WriteSetting("SMTP", "Enable", "1", Ini());
    WriteSetting("SMTP", "SERVER", test::SmtpAddress("normal"), Ini());
    WriteSetting("SMTP", "From", "vorms@server.test", Ini());
    WriteSetting("SMTP", "To", to_, Ini());
  }

  // tsc_<name>.zip on the FTP folder: the stand-in tool and a pattern file of ptn_size bytes.
  void Offer(const std::string& name, const std::string& version, const std::string& pattern,
             std::size_t ptn_size, int hours_from_now) {
    const std::string staging = File("offer_" + name);
    ::CreateDirectoryA(staging.c_str(), nullptr);
    test::CopyFileTo(StandIn(version, pattern), staging + "\\tsc.exe");
    test::WriteFile(staging + "\\tsc.ptn", std::string(ptn_size, static_cast<char>('a' + ptn_size % 26)));
    const std::string zip = remote_ + "\\tsc_" + name + ".zip";
    ASSERT_TRUE(zip::ZipFiles(staging, {"tsc.exe", "tsc.ptn"}, zip));
    SetWrittenHoursFromNow(zip, hours_from_now);
  }

  // Asks for a check and waits for the line that ends it.
  void CheckNowUntil(const std::string& line, std::size_t times) const {
    WriteSetting("Service", "StartActions", "1", Ini());
    ASSERT_TRUE(test::WaitFor([&] { return Count(Log(), line) >= times; }, kCheckMs))
        << "the check did not log \"" << line << "\" " << times << " time(s)";
  }

  // The mail of one installation: subject, the tool's listing, both files attached.
  void ExpectMailOf(const ReceivedMail& mail, const std::string& version, const std::string& pattern,
                    const std::string& version_text, std::size_t ptn_size) const {
    ASSERT_FALSE(mail.folder.empty()) << "no mail for " << version;
    EXPECT_EQ(mail.File("subject.txt"),
              "[PLOMENK." + version_text + ".P." + pattern + "]: New TSC Updated on OfficeScan Server");
    std::string command = "\"";
    command += StandIn(version, pattern);
    command += "\" /VL";
    const std::string listing = test::RunProcess(command).output;
    ASSERT_NE(listing.find("TSC Version "), std::string::npos) << listing;
    EXPECT_EQ(LineEndsOfMail(mail.File("body.txt")), LineEndsOfMail(listing));
    EXPECT_TRUE(mail.Has("attachment\\tsc_smtp.zip"));
    EXPECT_EQ(mail.File("zip_ok.txt"), "1");
    EXPECT_TRUE(mail.File("zip\\tsc.exe") == ReadFile(StandIn(version, pattern)));
    EXPECT_EQ(mail.File("zip\\tsc.ptn").size(), ptn_size);
  }

  void ExpectInstalled(const std::string& version, const std::string& pattern,
                       const std::string& version_text, std::size_t ptn_size) const {
    EXPECT_TRUE(ReadFile(Admin("tsc.exe")) == ReadFile(StandIn(version, pattern)))
        << "ADMIN\\tsc.exe is not the stand-in " << version;
    EXPECT_EQ(ReadFile(Admin("tsc.ptn")).size(), ptn_size);
    EXPECT_EQ(ReadSetting("TSC", "Version", Ini()), version_text);
    EXPECT_EQ(ReadSetting("TSC", "Pattern", Ini()), pattern);
  }

  test::TempFolder folder_{"vorms end to end"};
  const std::string to_ = test::UniqueRecipient("end_to_end");
  std::string remote_;
};

TEST_F(EndToEnd, InstallsAndMailsTheNewestPackageOnceThenANewerOne) {
  Configure();
  Offer("old", "1.0.0.1067", "617", 40000, -48);
  Offer("new", "1.0.0.1067", "618", 50000, -24);
  ASSERT_TRUE(test::InstallAndStartVorms(folder_.path())) << ::GetLastError();

  // The newest package of the folder, installed, stamped and mailed.
  CheckNowUntil("SMTP_Notify: Success connecting and sending eMail Notification", 1);
  ExpectInstalled("1.0.0.1067", "618", "1001067", 50000);
  EXPECT_EQ(Count(Log(), "ApplyTmTouch: successfull Change TSC.PTN to "), 1u);
  ExpectMailOf(test::WaitForMail(to_, 1), "1.0.0.1067", "618", "1001067", 50000);

  // Nothing newer on the folder: the check ends at the retrieval, nothing installed or sent.
  CheckNowUntil("Launch: STARTFTP=False", 1);
  EXPECT_EQ(Count(Log(), "UpdateTSC: Update TSC.EXE File"), 1u);
  EXPECT_EQ(Count(Log(), "SMTP_Notify: Success connecting and sending eMail Notification"), 1u);
  EXPECT_TRUE(test::WaitForMail(to_, 2).folder.empty()) << "a second mail came for no installation";
  ExpectInstalled("1.0.0.1067", "618", "1001067", 50000);

  // A newer package appears: it is fetched, installed over the old tool and mailed.
  Offer("newer", "1.0.0.1100", "620", 60000, -1);
  CheckNowUntil("SMTP_Notify: Success connecting and sending eMail Notification", 2);
  EXPECT_EQ(Count(Log(), "UpdateTSC: Update TSC.EXE File"), 2u);
  ExpectInstalled("1.0.0.1100", "620", "1001100", 60000);
  ExpectMailOf(test::WaitForMail(to_, 2), "1.0.0.1100", "620", "1001100", 60000);
}

}  // namespace
}  // namespace vorms
