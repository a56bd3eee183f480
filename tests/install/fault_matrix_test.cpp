// The installed service against broken surroundings, each fault produced for real: the
// local FTP, HTTP and SMTP servers misbehaving, damaged packages, a locked or missing
// ADMIN folder, a tool that hangs or floods, garbage settings. For every fault the service
// keeps running, ADMIN holds a whole release (old or new), nothing that failed is reported
// as a success, and once the fault is cleared the next check installs and mails.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <functional>
#include <iostream>

#include "files.h"
#include "handles.h"
#include "install_fixture.h"
#include "installed_service.h"
#include "job_fixture.h"
#include "scramble.h"
#include "settings.h"
#include "smtp_test_servers.h"
#include "test_support.h"

namespace vorms {
namespace {

using test::Count;
using test::kNewRelease;
using test::kOldRelease;
using test::ReadFile;

constexpr char kMailSent[] = "SMTP_Notify: Success connecting and sending eMail Notification";
constexpr char kStamped[] = "ApplyTmTouch: successfull";

class FaultMatrix;
using Step = std::function<void(FaultMatrix&)>;

struct Fault {
  const char* name;
  Step produce;           // settings it writes go into the file the service reads next
  std::string shows;      // what the user finds in vorms.log or events.log
  Step undo = {};         // what clearing takes beyond fresh settings and a good package
  bool installs = false;  // the new release is installed all the same (a fault after it)
  bool mails = false;     // and mailed
};

// A port of 127.0.0.1 on which nothing listens: one the system just handed out and took back.
std::string ClosedPort() {
  WSADATA data;
  if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) return "";
  std::string port;
  {
    Socket s(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (s && ::bind(s.get(), reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        ::getsockname(s.get(), reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      port = std::to_string(ntohs(address.sin_port));
    }
  }
  ::WSACleanup();
  return port;
}

// A drive letter that stands for no drive.
std::string MissingDrive() {
  const DWORD drives = ::GetLogicalDrives();
  for (char letter = 'Q'; letter <= 'Y'; ++letter) {
    if (!(drives & (1u << (letter - 'A')))) return std::string(1, letter) + ":";
  }
  return "";
}

// Bytes of a file changed in place; its last-written time stays.
void Patch(const std::string& path, std::size_t offset, const std::string& bytes) {
  FILETIME written{};
  {
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file && ::GetFileTime(file.get(), nullptr, nullptr, &written));
  }
  {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  FileHandle file(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(file && ::SetFileTime(file.get(), nullptr, nullptr, &written));
}

std::string Le32(uint32_t value) {
  return {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
          static_cast<char>(value >> 24)};
}

// Where each entry's local header and central record begin, by entry name.
struct ZipLayout {
  std::vector<std::pair<std::string, std::size_t>> local, central;
};

ZipLayout LayoutOf(const std::string& zip) {
  const std::string bytes = ReadFile(zip);
  auto u16 = [&](std::size_t at) { return static_cast<std::size_t>(static_cast<unsigned char>(bytes[at]) |
                                                                    static_cast<unsigned char>(bytes[at + 1]) << 8); };
  ZipLayout layout;
  for (std::size_t at = 0; at + 46 <= bytes.size(); ++at) {
    if (bytes.compare(at, 4, "PK\x03\x04") == 0) {
      layout.local.emplace_back(bytes.substr(at + 30, u16(at + 26)), at);
    } else if (bytes.compare(at, 4, "PK\x01\x02") == 0) {
      layout.central.emplace_back(bytes.substr(at + 46, u16(at + 28)), at);
    }
  }
  return layout;
}

// Rewrites a field of one entry in both of its headers.
void PatchEntry(const std::string& zip, const std::string& entry, std::size_t local_field,
                std::size_t central_field, const std::string& bytes) {
  const ZipLayout layout = LayoutOf(zip);
  for (const auto& [name, at] : layout.local) {
    if (name == entry) Patch(zip, at + local_field, bytes);
  }
  for (const auto& [name, at] : layout.central) {
    if (name == entry) Patch(zip, at + central_field, bytes);
  }
}

class FaultMatrix : public test::ServiceJob {
 public:
  void Set(const char* section, const char* key, const std::string& value) const {
    WriteSetting(section, key, value, settings_);
  }
  // Deletes the settings file once the fault's other changes are in place.
  void DeleteSettings() { delete_settings_ = true; }
  // The HTTP road: a release page naming the new pattern, the package from `package_path`.
  void UseHttp(const std::string& package_path) const {
    Set("HTTP", "UseThis", "1");
    Set("FTP", "UseThis", "0");
    Set("HTTP", "DefaultFolder", test::HttpUrl("/faults/tsc.asp"));
    Set("HTTP", "DefaultFileToGet", test::HttpUrl(package_path));
  }
  // A package offered three hours ago, and the path of its zip on the FTP folder.
  std::string OfferOld(const test::Release& release = kNewRelease, const std::vector<std::string>& extra = {}) {
    offered_ = release;
    Offer("fault", release, -3, extra);
    return Remote("tsc_fault.zip");
  }

 protected:
  void SetUp() override {
    ServiceJob::SetUp();
    if (HasFatalFailure()) return;
    test::WriteFile(test::HttpServedFile("/faults/tsc.asp"), test::kNewReleasePage);
    test::WriteFile(test::HttpServedFile("/faults/error.zip"),
                    "<html><body>Sorry, the download area is closed</body></html>");
    Pack(kNewRelease, test::HttpServedFile("/faults/tsc.zip"), -1);
    Configure();
    InstallInAdmin(kOldRelease);
    ASSERT_TRUE(test::InstallAndStartVorms(folder_.path())) << ::GetLastError();
  }

  // Fresh settings and the old release in ADMIN.
  void Reset() const {
    InstallInAdmin(kOldRelease);
    ReplaceSettings([this](const std::string& ini) {
      Configure(ini);
      InstallInAdmin(kOldRelease, ini);
    });
  }
  void EmptyFtpFolder() const {
    test::RemoveTree(remote_);
    ::CreateDirectoryA(remote_.c_str(), nullptr);
  }
  // The log lines and events written since the marks were taken.
  void Mark() {
    log_mark_ = Log().size();
    events_mark_ = Events().size();
  }
  std::string SinceMark() const { return Log().substr(log_mark_) + Events().substr(events_mark_); }

  void ExpectAdminWhole(const test::Release& release) const {
    EXPECT_TRUE(AdminHolds(release)) << "ADMIN does not hold " << release.version << "/" << release.pattern;
    EXPECT_FALSE(PathExists(Admin("tsc.exe.vorms-new")));
    EXPECT_FALSE(PathExists(Admin("tsc.ptn.vorms-new")));
  }

  // Fresh settings and ADMIN, the fault, a check; then the fault cleared and a check.
  void Run(const Fault& fault) {
    SCOPED_TRACE(fault.name);
    offered_ = kNewRelease;
    Reset();
    EmptyFtpFolder();
    ChangeSettings([&](const std::string& ini) {
      settings_ = ini;
      fault.produce(*this);
      settings_ = Ini();
    });
    if (delete_settings_) {
      ASSERT_TRUE(::DeleteFileA(Ini().c_str()));
    }
    delete_settings_ = false;
    Mark();
    CheckNowAndWait();
    const std::string seen = SinceMark();
    EXPECT_EQ(test::VormsState(), static_cast<DWORD>(SERVICE_RUNNING));
    ExpectAdminWhole(fault.installs ? offered_ : kOldRelease);
    EXPECT_NE(seen.find(fault.shows), std::string::npos) << "no \"" << fault.shows << "\"";
    EXPECT_EQ(Count(seen, kMailSent), fault.mails ? 1u : 0u);
    if (!fault.installs) {
      EXPECT_EQ(Count(seen, kStamped), 0u);
    }
    // VORMS_FAULT_LOG=1 shows what each fault leaves in the logs (the README's table).
    if (HasFailure() || !test::Env("VORMS_FAULT_LOG").empty()) std::cout << "[" << fault.name << "]\n" << seen;

    if (fault.undo) fault.undo(*this);
    Reset();
    EmptyFtpFolder();
    Offer("good", kNewRelease, -1);
    Mark();
    CheckNowAndWait();
    ExpectAdminWhole(kNewRelease);
    EXPECT_EQ(Count(SinceMark(), kMailSent), 1u) << "the check after the fault did not complete";
  }

  std::size_t log_mark_ = 0, events_mark_ = 0;
  test::Release offered_ = kNewRelease;  // what the fault's package holds
  std::string settings_ = Ini();
  bool delete_settings_ = false;
};

TEST_F(FaultMatrix, FtpServerFaults) {
  const Fault faults[] = {
      {"FTP server down",
       [](FaultMatrix& m) {
         const std::string port = ClosedPort();
         ASSERT_FALSE(port.empty());
         m.Set("FTP", "DefaultFolder", "ftp://127.0.0.1:" + port + "/products/tsc");
       },
       "Launch: STARTFTP=False"},
      {"login refused",
       [](FaultMatrix& m) {
         m.OfferOld();
         m.Set("FTP", "Username", "tscuser");
         m.Set("FTP", "Password", "\"" + ScrambleText("wrong password", 1, kScramble) + "\"");
       },
       "Launch: STARTFTP=False"},
      {"connection dropped mid-transfer", [](FaultMatrix& m) { m.Offer("dropped", kNewRelease, -3); },
       "Launch: STARTFTP=False"},
      {"listing with garbage dates",
       [](FaultMatrix& m) {
         m.OfferOld();
         test::WriteFile(m.Remote(".listing"),
                         "-rw-r--r--   1 ftp ftp  4000 Foo 99 99:99 tsc_fault.zip\r\n"
                         "-rw-r--r--   1 ftp ftp  4000 Jan 32 20261 tsc_b.zip\r\n"
                         "garbage without any fields\r\n"
                         "-rw-r--r-- 1 ftp ftp 99999999999999999999999 Dec 10 25:61 tsc_c.zip\r\n");
         test::WriteFile(m.Remote(".mdtm"), "99999999999999");
       },
       "Launch: STARTFTP=False"},
  };
  for (const Fault& fault : faults) Run(fault);
}

TEST_F(FaultMatrix, HttpServerFaults) {
  const Fault faults[] = {
      {"404", [](FaultMatrix& m) { m.UseHttp("/faults/none.zip"); }, "Launch: HTTP_GET_FILE=False"},
      {"500", [](FaultMatrix& m) { m.UseHttp("/status/500/tsc.zip"); }, "Launch: HTTP_GET_FILE=False"},
      {"redirect loop", [](FaultMatrix& m) { m.UseHttp("/loop/tsc.zip"); }, "Launch: HTTP_GET_FILE=False"},
      {"dropped body", [](FaultMatrix& m) { m.UseHttp("/drop/tsc.zip"); }, "Launch: HTTP_GET_FILE=False"},
      {"error page served with 200", [](FaultMatrix& m) { m.UseHttp("/faults/error.zip"); },
       "sent no zip package"},
  };
  for (const Fault& fault : faults) Run(fault);
}

TEST_F(FaultMatrix, DamagedPackages) {
  const Fault faults[] = {
      {"CRC mismatch", [](FaultMatrix& m) { PatchEntry(m.OfferOld(), "tsc.exe", 14, 16, Le32(0x12345678)); },
       ""},
      {"truncated archive",
       [](FaultMatrix& m) {
         const std::string zip = m.OfferOld();
         const std::string bytes = ReadFile(zip);
         test::WriteFile(zip, bytes.substr(0, bytes.size() / 2));
         test::SetWrittenHoursFromNow(zip, -3);
       },
       ""},
      {"entry climbing out of the folder",
       [](FaultMatrix& m) {
         // "xxx" becomes "../" in both headers: the entry names "../climbed.txt".
         const std::string zip = m.OfferOld(kNewRelease, {"xxxclimbed.txt"});
         PatchEntry(zip, "xxxclimbed.txt", 30, 46, "../");
         test::SetWrittenHoursFromNow(zip, -3);
       },
       ""},
      {"no tsc.ptn in the package",
       [](FaultMatrix& m) {
         const std::string zip = m.OfferOld();
         PatchEntry(zip, "tsc.ptn", 30, 46, "zzz");  // the pattern entry now names "zzz.ptn"
         test::SetWrittenHoursFromNow(zip, -3);
       },
       ""},
      {"far larger than declared",
       [](FaultMatrix& m) { PatchEntry(m.OfferOld(), "tsc.ptn", 22, 24, Le32(1000)); }, ""},
  };
  for (const Fault& fault : faults) Run(fault);
  EXPECT_FALSE(PathExists(File("climbed.txt")));
  EXPECT_FALSE(PathExists(File("temp\\..\\climbed.txt")));
}

TEST_F(FaultMatrix, InstallationFaults) {
  const std::string drive = MissingDrive();
  ASSERT_FALSE(drive.empty());
  const Fault faults[] = {
      {"read-only ADMIN\\tsc.exe",
       [](FaultMatrix& m) {
         m.OfferOld();
         ASSERT_TRUE(::SetFileAttributesA(m.Admin("tsc.exe").c_str(), FILE_ATTRIBUTE_READONLY));
       },
       "UpdateTSC: Error Updating your serveur : 70 Permission denied",
       [](FaultMatrix& m) { ::SetFileAttributesA(m.Admin("tsc.exe").c_str(), FILE_ATTRIBUTE_NORMAL); }},
      {"ADMIN on a missing drive",
       [drive](FaultMatrix& m) {
         m.OfferOld();
         m.Set("OFFICESCAN", "ProgramDirectory", drive + "\\PCCSRV");
       },
       ""},
  };
  for (const Fault& fault : faults) Run(fault);
}

// Stand-in tools, newer than the installed one, that hang or talk without end on "/VL".
constexpr test::Release kHangingRelease{"1.0.0.1100", "620", "1001100", 60000, "hang"};
constexpr test::Release kFloodingRelease{"1.0.0.1100", "620", "1001100", 60000, "flood"};

TEST_F(FaultMatrix, ToolFaults) {
  const Fault faults[] = {
      // The tool's version is read from its file: a newer one is installed whole even when
      // its listing cannot be read; the mail, which carries the listing, is not sent.
      {"tsc.exe hangs on /VL", [](FaultMatrix& m) { m.OfferOld(kHangingRelease); },
       "Error 51 The command did not end within 60 s and was ended", {}, true},
      // The output beyond the first MiB is dropped: the pattern line is never seen (the
      // pattern counts as 0), and the mail carries the first MiB.
      {"tsc.exe prints 10 MB", [](FaultMatrix& m) { m.OfferOld(kFloodingRelease); },
       "IsIsUpdateOfficescan: VORMS Version=[10011000]", {}, true, true},
  };
  for (const Fault& fault : faults) Run(fault);
}

TEST_F(FaultMatrix, MailFaults) {
  auto server = [](const char* name) {
    return [name](FaultMatrix& m) {
      m.Offer("fault", kNewRelease, -3);
      m.Set("SMTP", "SERVER", test::SmtpAddress(name));
    };
  };
  const Fault faults[] = {
      {"connection refused", server("refused"), "SMTP_Notify: error connecting !", {}, true},
      {"5xx on RCPT", server("reject_rcpt"), "Error sending eMail", {}, true},
      {"server drops during DATA", server("drop_data"), "Error sending eMail", {}, true},
  };
  for (const Fault& fault : faults) Run(fault);
}

TEST_F(FaultMatrix, SettingsFaults) {
  const Fault faults[] = {
      {"every key holding garbage",
       [](FaultMatrix& m) {
         m.OfferOld();
         const char* garbage[] = {"ten", "99999999", "%s%n%x%p", "-1", "ftp://[::1", "http://", "0x10"};
         const std::pair<const char*, const char*> keys[] = {
             {"FTP", "DefaultFolder"}, {"FTP", "UsePassive"}, {"FTP", "UseProxy"}, {"FTP", "Proxy"},
             {"FTP", "ProxyPort"}, {"FTP", "Username"}, {"FTP", "Password"}, {"FTP", "UseThis"},
             {"HTTP", "DefaultFolder"}, {"HTTP", "DefaultFileToGet"}, {"HTTP", "ProxyName"},
             {"HTTP", "ProxyPort"}, {"HTTP", "UseThis"}, {"LOGS", "Enable"}, {"TSC", "LatestDate"},
             {"TSC", "Pattern"}, {"TSC", "Version"}, {"SMTP", "SERVER"}, {"SMTP", "From"},
             {"SMTP", "To"}, {"SMTP", "Enable"}, {"SMTP", "EnableSendtheTscFile"},
             {"Service", "DebugMode"}, {"SERVICE", "ScheduleTimeExecute"},
             {"SERVICE", "SchedulePoolMinutes"}, {"OFFICESCAN", "ProgramDirectory"}};
         std::size_t i = 0;
         for (const auto& [section, key] : keys) m.Set(section, key, garbage[i++ % std::size(garbage)]);
         m.Set("HTTP", "DefaultFolder", std::string(400, 'h'));
         m.Set("SMTP", "To", std::string(400, 't') + "@example.test");
       },
       ""},
      {"settings file deleted", [](FaultMatrix& m) { m.DeleteSettings(); }, ""},
  };
  for (const Fault& fault : faults) Run(fault);
}

bool StartVormsAgain() {
  if (!::StartServiceA(test::OpenVorms().get(), 0, nullptr)) return false;
  return test::WaitFor([] { return test::VormsState() == SERVICE_RUNNING; }, 30000);
}

// A pattern file large enough that copying it beside its target takes a moment (sizes
// compare as text: "95000000" is greater than the old "40000").
constexpr test::Release kHeavyRelease{"1.0.0.1100", "620", "1001100", 95000000};

TEST_F(FaultMatrix, EndedHardWhileInstallingThenStartedAgainTheNextCheckCompletesTheJob) {
  Reset();
  EmptyFtpFolder();
  Offer("heavy", kHeavyRelease, -1);
  ChangeSettings([](const std::string&) {});
  WriteSetting("Service", "StartActions", "1", Ini());
  ASSERT_TRUE(test::WaitFor([&] { return PathExists(Admin("tsc.ptn.vorms-new")); }, 120000, 1))
      << "the installation did not begin";
  const DWORD pid = test::VormsStatus().dwProcessId;
  Handle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
  ASSERT_TRUE(process && ::TerminateProcess(process.get(), 9));
  ::WaitForSingleObject(process.get(), 10000);
  // Wine's service manager keeps a service whose process was ended behind its back as
  // running; it can only be removed and installed again, as a real restart stands for.
  ::DeleteService(test::OpenVorms().get());
  ASSERT_TRUE(test::WaitFor([] { return !test::OpenVorms(); }, 30000)) << "state " << test::VormsState();
  // Each installed file whole: the old pair, or the new tool beside either pattern.
  EXPECT_TRUE(ReadFile(Admin("tsc.ptn")).size() == kOldRelease.ptn_size ||
              ReadFile(Admin("tsc.ptn")).size() == kHeavyRelease.ptn_size);
  const std::string tool = ReadFile(Admin("tsc.exe"));
  EXPECT_TRUE(tool == ReadFile(test::ToolOf(kOldRelease)) ||
              tool == ReadFile(test::ToolOf(kHeavyRelease)));
  EXPECT_EQ(ReadSetting("TSC", "LatestDate", Ini()), "0") << "the package counts as not yet installed";

  ASSERT_TRUE(test::InstallAndStartVorms(folder_.path()));
  Mark();
  CheckNowAndWait();
  ExpectAdminWhole(kHeavyRelease);
  EXPECT_EQ(Count(SinceMark(), kMailSent), 1u);
}

TEST_F(FaultMatrix, AStopDuringAStalledBodyEndsTheServiceQuicklyAndTheNextCheckWorks) {
  Reset();
  ChangeSettings([this](const std::string& ini) {
    settings_ = ini;
    UseHttp("/stall/tsc.zip");
    settings_ = Ini();
  });
  WriteSetting("Service", "StartActions", "1", Ini());
  ASSERT_TRUE(test::WaitFor([&] { return Count(Log(), "/stall/tsc.zip") > 0; }, 30000));
  ::Sleep(1000);  // into the stall
  SERVICE_STATUS status{};
  const ULONGLONG asked = ::GetTickCount64();
  ASSERT_TRUE(::ControlService(test::OpenVorms().get(), SERVICE_CONTROL_STOP, &status));
  ASSERT_TRUE(test::WaitFor([] { return test::VormsState() == SERVICE_STOPPED; }, 30000));
  std::cout << "stopped " << ::GetTickCount64() - asked << " ms after the request\n";
  ExpectAdminWhole(kOldRelease);
  EXPECT_FALSE(PathExists(File("tsc.zip"))) << "a part of the stalled package was left";

  ASSERT_TRUE(StartVormsAgain());
  ChangeSettings([this](const std::string& ini) {
    settings_ = ini;
    UseHttp("/faults/tsc.zip");
    settings_ = Ini();
  });
  Mark();
  CheckNowAndWait();
  ExpectAdminWhole(kNewRelease);
  EXPECT_EQ(Count(SinceMark(), kMailSent), 1u);
}

TEST_F(FaultMatrix, AReadOnlySettingsFileGetsOneCheckNotOneASecond) {
  Reset();
  EmptyFtpFolder();
  Offer("good", kNewRelease, -1);
  WriteSetting("Service", "StartActions", "1", Ini());
  Mark();
  {
    test::ReadOnlyFile read_only(Ini());
    ASSERT_TRUE(test::WaitFor([&] { return Count(SinceMark(), "cannot be written: StartActions") > 0; }, 30000));
    ::Sleep(5000);
    EXPECT_EQ(Count(SinceMark(), "Timer1: User has activate the Check Now function"), 1u);
    EXPECT_EQ(test::VormsState(), static_cast<DWORD>(SERVICE_RUNNING));
  }
  // Writable again: the flag is taken back, and the next request is served.
  ASSERT_TRUE(test::WaitFor([&] { return ReadSetting("Service", "StartActions", Ini()) == "0"; }, 10000));
  Reset();
  EmptyFtpFolder();
  Offer("good", kNewRelease, -1);
  Mark();
  CheckNowAndWait();
  ExpectAdminWhole(kNewRelease);
  EXPECT_EQ(Count(SinceMark(), kMailSent), 1u);
}

}  // namespace
}  // namespace vorms
