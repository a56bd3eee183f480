#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <thread>

#include "ftp_client.h"
#include "date_text.h"
#include "ftp_retrieval.h"
#include "memory_values.h"
#include "retrieval_components.h"
#include "retrieval_log.h"
#include "scramble.h"
#include "settings.h"
#include "system_time.h"

namespace vorms {
namespace {

using test::Logged;

constexpr char kFolder[] = "products/tsc";

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

FILETIME FileTimeOfUtc(const DateTime& t) {
  const SYSTEMTIME st = ToSystemTime(t);
  FILETIME ft;
  ::SystemTimeToFileTime(&st, &ft);
  return ft;
}

DateTime LocalOfUtc(const DateTime& t) { return LocalFromUtc(t).value(); }

const DateTime kOld{2004, 5, 12, 9, 30, 15};
const DateTime kNew{2004, 6, 1, 10, 0, 5};

// The FTP road against the local pyftpdlib server that with_servers.sh started.
class FtpRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    port_ = Env("VORMS_FTP_PORT");
    ASSERT_FALSE(port_.empty()) << "run through with_servers.sh (ctest does)";
    std::string root = "Z:" + Env("VORMS_FTP_ROOT");
    for (char& c : root) c = c == '/' ? '\\' : c;
    remote_ = root + "\\products\\tsc";
    test::RemoveTree(root + "\\products");
    ::CreateDirectoryA((root + "\\products").c_str(), nullptr);
    ::CreateDirectoryA(remote_.c_str(), nullptr);
    PrepareMemory();
    Setting("UsePassive", "1");
    UseClient(ShortLimits());
  }
  // What the settings loader puts into memory; a fresh sandbox starts without it.
  void PrepareMemory() {
    test::LogEverything();
    memory::SetFtpServer("127.0.0.1:" + port_);
    memory::SetFtpFolder(kFolder);
  }
  void TearDown() override { UseTransferComponentsForTesting(nullptr, nullptr); }

  static TransferLimits ShortLimits() {
    TransferLimits limits;
    limits.connect_ms = 3000;
    limits.idle_ms = 3000;
    return limits;
  }
  void UseClient(TransferLimits limits) {
    UseTransferComponentsForTesting(NewWinInetFtpClient(std::move(limits)), nullptr);
  }
  void Setting(const char* key, const std::string& value) {
    WriteSetting("FTP", key, value, sandbox_.Ini());
  }
  void Package(const std::string& name, const std::string& content, const DateTime& utc) {
    const std::string path = remote_ + "\\" + name;
    test::WriteFile(path, content);
    FileHandle file(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    FILETIME ft = FileTimeOfUtc(utc);
    ASSERT_TRUE(::SetFileTime(file.get(), nullptr, nullptr, &ft));
  }
  static std::string Numeric(const DateTime& utc) { return NumericDate(LocalOfUtc(utc)); }
  std::string LatestDate() const { return ReadSetting("TSC", "LatestDate", sandbox_.Ini()); }

  test::ProgramSandbox sandbox_;
  std::string port_;
  std::string remote_;
};

TEST_F(FtpRoad, FetchesTheNewestPackageWithExactTimes) {
  Package("tsc_old.zip", "old package", kOld);
  Package("tsc_new.zip", "new package", kNew);
  Package("readme.txt", "not a package", kNew);

  EXPECT_TRUE(StartFTP());

  const std::string local = sandbox_.File("tsc_new.zip");
  EXPECT_EQ(test::ReadFile(local), "new package");
  EXPECT_FALSE(test::FileExists(sandbox_.File("tsc_old.zip")));
  EXPECT_EQ(memory::GetFetchedDate(), Numeric(kNew));
  EXPECT_EQ(LatestDate(), "") << "stored only once the package is judged";
  EXPECT_EQ(memory::GetNewFileDownloaded(), local);
  EXPECT_TRUE(test::FileExists(sandbox_.File("temp")));
  for (const std::string& line : {
           std::string("StartFTP: Starting Operations..."), std::string("PASSIVE Mode = 1"),
           "Target server = 127.0.0.1:" + port_, std::string("Use anonymous connexion for this operation"),
           std::string("Open connexion"), "Connected to 127.0.0.1:" + port_,
           "Try to change remote dir to " + std::string(kFolder), "Change Dir to " + std::string(kFolder),
           std::string("List files...waiting.."),
           "View tsc_new.zip " + DateTimeText(LocalOfUtc(kNew)) + "=>" + Numeric(kNew),
           "MustDownload: VORMS store latest pattern stored [0] New Date on server is [" +
               Numeric(kNew) + "]",
           std::string("MustDownload: No New date stored on server = FALSE for this function"),
           "Get tsc_new.zip tsc_new.zip date is newer (" + Numeric(kNew) + ")",
           std::string("New TSC Program Downloaded !"), std::string("Disconnecting"),
           "Put in string memory NewFileDownloaded=" + local}) {
    EXPECT_TRUE(Logged(sandbox_, line)) << line;
  }
}

TEST_F(FtpRoad, LogOnAndDataConnectionModes) {
  struct Case {
    const char* name;
    const char* user;
    const char* password;  // stored scrambled
    const char* passive;
    bool result;
    const char* line;
  };
  const Case cases[] = {
      {"anonymous, passive", "", "", "1", true, "Use anonymous connexion for this operation"},
      {"anonymous, active", "", "", "0", true, "PASSIVE Mode = 0"},
      {"login", "tscuser", "s3cret pw", "1", true, "Authentification is enable usetscuser username"},
      {"password without user", "", "wrong", "1", true, "Use anonymous connexion for this operation"},
      {"wrong password", "tscuser", "wrong", "1", false,
       "Failed to connect, please Check if you have enabled Passive Mode"},
  };
  Package("tsc.zip", "package", kNew);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::ProgramSandbox sandbox;
    PrepareMemory();
    WriteSetting("FTP", "Username", c.user, sandbox.Ini());
    WriteSetting("FTP", "Password", "\"" + ScrambleText(c.password, 1, kScramble) + "\"", sandbox.Ini());
    WriteSetting("FTP", "UsePassive", c.passive, sandbox.Ini());
    EXPECT_EQ(StartFTP(), c.result);
    EXPECT_TRUE(Logged(sandbox, c.line));
    EXPECT_EQ(test::ReadFile(sandbox.File("tsc.zip")), c.result ? "package" : "");
  }
}

TEST_F(FtpRoad, StoredLatestDate) {
  struct Case {
    const char* name;
    std::string stored;
    bool result;
  };
  const Case cases[] = {
      {"older", Numeric(kOld), true},
      {"equal", Numeric(kNew), false},
      {"later", "20991231000000", false},
  };
  Package("tsc.zip", "package", kNew);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::ProgramSandbox sandbox;
    PrepareMemory();
    WriteSetting("TSC", "LatestDate", c.stored, sandbox.Ini());
    EXPECT_EQ(StartFTP(), c.result);
    EXPECT_EQ(memory::GetFetchedDate(), c.result ? Numeric(kNew) : "");
    EXPECT_EQ(ReadSetting("TSC", "LatestDate", sandbox.Ini()), c.stored);
    EXPECT_EQ(memory::GetNewFileDownloaded(), sandbox.File("tsc.zip"));
    EXPECT_EQ(test::FileExists(sandbox.File("tsc.zip")), c.result);
    if (!c.result) {
      EXPECT_TRUE(Logged(sandbox, "No New TSC files... End Last=(tsc.zip/" + Numeric(kNew) + ")"));
    }
  }
}

TEST_F(FtpRoad, FailedFetchKeepsTheDateAndLeavesNoFile) {
  Package("tsc_broken.zip", std::string(200000, 'x'), kNew);
  test::WriteFile(sandbox_.File("tsc_broken.zip"), "an older copy");
  WriteSetting("TSC", "LatestDate", Numeric(kOld), sandbox_.Ini());
  EXPECT_FALSE(StartFTP());
  EXPECT_FALSE(StartFTP());  // tried again on the next check
  EXPECT_EQ(LatestDate(), Numeric(kOld));
  EXPECT_FALSE(test::FileExists(sandbox_.File("tsc_broken.zip")));
  EXPECT_EQ(memory::GetNewFileDownloaded(), "");
  auto messages = test::LoggedMessages(sandbox_);
  EXPECT_EQ(std::count(messages.begin(), messages.end(),
                       "Get tsc_broken.zip tsc_broken.zip date is newer (" + Numeric(kNew) + ")"),
            2);
  EXPECT_FALSE(Logged(sandbox_, "New TSC Program Downloaded !"));
}

TEST_F(FtpRoad, FolderAndListingFailures) {
  test::WriteFile(remote_ + "\\readme.txt", "no package here");
  EXPECT_FALSE(StartFTP());
  EXPECT_TRUE(Logged(sandbox_, "Unable to List files in products/tsc folder"));
  EXPECT_TRUE(Logged(sandbox_, "Please verify by enable/disable Passive Mode"));

  memory::SetFtpFolder("products/none");
  EXPECT_FALSE(StartFTP());
  EXPECT_TRUE(Logged(sandbox_, "Unable to switch dir products/none"));
}

TEST_F(FtpRoad, ClearsTheUnpackedToolAfterAFetch) {
  Package("tsc.zip", "package", kNew);
  ::CreateDirectoryA(sandbox_.File("temp").c_str(), nullptr);
  for (const char* name : {"temp\\tsc.exe", "temp\\tsc.ptn", "temp\\keep.txt"}) {
    test::WriteFile(sandbox_.File(name), "old");
  }
  EXPECT_TRUE(StartFTP());
  EXPECT_FALSE(test::FileExists(sandbox_.File("temp\\tsc.exe")));
  EXPECT_FALSE(test::FileExists(sandbox_.File("temp\\tsc.ptn")));
  EXPECT_TRUE(test::FileExists(sandbox_.File("temp\\keep.txt")));
}

TEST_F(FtpRoad, ProxySwitchOtherThanOneIsDirect) {
  Package("tsc.zip", "package", kNew);
  Setting("UseProxy", "2");
  Setting("Proxy", "127.0.0.1");
  Setting("ProxyPort", "1");  // nothing listens there
  EXPECT_TRUE(StartFTP());
  EXPECT_FALSE(Logged(sandbox_, "FTP Proxy is enabled"));
}

TEST_F(FtpRoad, ThroughTheFtpGateway) {
  struct Case {
    const char* name;
    const char* user;
    std::string proxy_port;
    bool result;
  };
  const Case cases[] = {
      {"anonymous", "", Env("VORMS_FTP_PROXY_PORT"), true},
      {"login", "tscuser", Env("VORMS_FTP_PROXY_PORT"), true},
      {"no gateway there", "", "1", false},
  };
  Package("tsc.zip", "package", kNew);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::ProgramSandbox sandbox;
    PrepareMemory();
    WriteSetting("FTP", "UseProxy", "1", sandbox.Ini());
    WriteSetting("FTP", "Proxy", "127.0.0.1", sandbox.Ini());
    WriteSetting("FTP", "ProxyPort", c.proxy_port, sandbox.Ini());
    WriteSetting("FTP", "Username", c.user, sandbox.Ini());
    WriteSetting("FTP", "Password", "\"" + ScrambleText("s3cret pw", 1, kScramble) + "\"", sandbox.Ini());
    EXPECT_EQ(StartFTP(), c.result);
    EXPECT_TRUE(Logged(sandbox, "FTP Proxy is enabled"));
    EXPECT_EQ(test::ReadFile(sandbox.File("tsc.zip")), c.result ? "package" : "");
  }
}

TEST_F(FtpRoad, ASilentServerFailsWithinTheLimit) {
  memory::SetFtpServer("127.0.0.1:" + Env("VORMS_SILENT_PORT"));
  EXPECT_FALSE(StartFTP());
  EXPECT_TRUE(Logged(sandbox_, "Failed to connect, please Check if you have enabled Passive Mode"));
}

TEST_F(FtpRoad, AStopRequestEndsTheWait) {
  test::ScopedStopEvent stop;
  HANDLE raw = stop.get();
  UseClient(TransferLimits{});  // the service's 60 s
  memory::SetFtpServer("127.0.0.1:" + Env("VORMS_SILENT_PORT"));
  std::thread stopper([raw] {
    ::Sleep(500);
    ::SetEvent(raw);
  });
  const ULONGLONG start = ::GetTickCount64();
  EXPECT_FALSE(StartFTP());
  stopper.join();
  EXPECT_LT(::GetTickCount64() - start, 20000u) << "the stop request did not end the connect";
}

TEST(MustDownload, PicksTheNewestAndTheLaterListedOfEqualTimes) {
  struct Case {
    const char* name;
    std::vector<std::string> entries;
    const char* stored;  // nullptr: no LatestDate
    bool result;
    const char* best_name;
    const char* best_date;
  };
  const Case cases[] = {
      {"one entry", {"20040512093015:tsc.zip"}, nullptr, true, "tsc.zip", "20040512093015"},
      {"newest wins", {"20040601100005:b.zip", "20040512093015:a.zip"}, "0", true, "b.zip", "20040601100005"},
      {"equal times: later listed", {"20040601100005:a.zip", "20040601100005:b.zip"}, "20040512093015",
       true, "b.zip", "20040601100005"},
      {"equal to stored", {"20040601100005:a.zip"}, "20040601100005", false, "a.zip", "20040601100005"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::ProgramSandbox sandbox;
    test::LogEverything();
    if (c.stored) WriteSetting("TSC", "LatestDate", c.stored, sandbox.Ini());
    std::string name, date;
    EXPECT_EQ(MustDownload(c.entries, name, date), c.result);
    EXPECT_EQ(name, c.best_name);
    EXPECT_EQ(date, c.best_date);
    EXPECT_TRUE(Logged(sandbox, "MustDownload: NewDate Memory string store [" +
                                    std::to_string(c.entries.size() - 1) + "] values"));
  }
}

}  // namespace
}  // namespace vorms
