// The real service, installed and run by Wine's service manager from a program folder.
#include <gtest/gtest.h>

#include <algorithm>

#include "handles.h"
#include "installed_service.h"
#include "service_core_fixture.h"
#include "settings.h"
#include "tavelund_fixture.h"
#include "test_support.h"

namespace vorms {
namespace {

using test::ReadLines;
using test::RunProcess;
using test::TempFolder;

using test::OpenVorms;

bool WaitForState(DWORD state) {
  return test::WaitFor([&] { return test::VormsState() == state; }, 30000);
}

bool ServiceExists() { return static_cast<bool>(OpenVorms()); }

struct Config {
  std::string display_name, binary_path, account, group, dependencies;
  DWORD type = 0, start = 0, error_control = 0;
};

Config QueryConfig() {
  ServiceHandle service = OpenVorms();
  DWORD needed = 0;
  ::QueryServiceConfigA(service.get(), nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed);
  auto* qc = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
  if (!::QueryServiceConfigA(service.get(), qc, needed, &needed)) return {};
  auto text = [](const char* s) { return std::string(s ? s : ""); };
  return {text(qc->lpDisplayName), text(qc->lpBinaryPathName), text(qc->lpServiceStartName),
          text(qc->lpLoadOrderGroup), text(qc->lpDependencies), qc->dwServiceType, qc->dwStartType,
          qc->dwErrorControl};
}

// A program folder holding a copy of vorms.exe (under the name given).
class ProgramFolder {
 public:
  explicit ProgramFolder(const std::string& exe = "vorms.exe", const std::string& prefix = "vorms")
      : folder_(prefix), exe_(folder_.File(exe)) {
    test::CopyFileTo(test::BuildFolder() + "\\vorms.exe", exe_);
  }
  test::ProcessResult Run(const std::string& arguments) const {
    return RunProcess("\"" + exe_ + "\"" + (arguments.empty() ? "" : " " + arguments));
  }
  std::string File(const std::string& name) const { return folder_.File(name); }
  const std::string& path() const { return folder_.path(); }

 private:
  TempFolder folder_;
  std::string exe_;
};

using test::Events;

class InstalledService : public testing::Test {
 protected:
  void SetUp() override { test::RemoveVorms(); }
  void TearDown() override { test::RemoveVorms(); }
};

TEST_F(InstalledService, InstallRegistersTheServiceWithTheFixedFileNameOnce) {
  struct Case {
    const char* exe;
    const char* folder_prefix;
    bool quoted;
  };
  // The file name registered is vorms.exe whatever the running copy is called; a folder
  // with a blank is quoted so that Windows cannot start another program on the way.
  for (const Case& c : {Case{"setup-copy.exe", "vorms", false}, Case{"vorms.exe", "Program Files", true}}) {
    SCOPED_TRACE(c.exe);
    ProgramFolder folder(c.exe, c.folder_prefix);

    test::ProcessResult installed = folder.Run("/i");
    EXPECT_EQ(installed.exit_code, 0u);
    EXPECT_EQ(installed.error, "Success install the Service, You can start it now\r\n");
    EXPECT_EQ(Events(folder.File("events.log")),
              (std::vector<std::string>{"Loading: Command mode is [/i]",
                                        "Loading: Install NT service return error code0"}));

    const Config config = QueryConfig();
    const std::string path = folder.path() + "\\vorms.exe";
    EXPECT_EQ(config.display_name, "Vormsline");
    EXPECT_EQ(config.type, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(config.start, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(config.error_control, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(config.binary_path, c.quoted ? "\"" + path + "\"" : path);
    EXPECT_EQ(config.account, "LocalSystem");
    EXPECT_EQ(config.group, "");
    EXPECT_EQ(config.dependencies, "");
    EXPECT_EQ(test::VormsStatus().dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED)) << "installing does not start it";

    test::ProcessResult again = folder.Run("/i");
    EXPECT_EQ(again.exit_code, 1073u);
    EXPECT_EQ(again.error, "Failed install the Service with error 1073\r\n");

    test::ProcessResult removed = folder.Run("/u");
    EXPECT_EQ(removed.exit_code, 0u);
    EXPECT_EQ(removed.error, "Success uninstall the service \r\n");
    EXPECT_TRUE(test::WaitFor([] { return !ServiceExists(); }));
  }
}

TEST_F(InstalledService, RemovingAServiceThatIsNotThereReportsTheFailure) {
  ProgramFolder folder;
  test::ProcessResult removed = folder.Run("/u");
  EXPECT_EQ(removed.exit_code, 1060u);
  EXPECT_EQ(removed.error, "Failed uninstall the Service with error 1060\r\n");
  EXPECT_EQ(Events(folder.File("events.log")), std::vector<std::string>{"Loading: Command mode is [/u]"});
}

TEST(RunMode, StartedFromAConsoleTheServiceSaysItMustBeStartedAsAService) {
  ProgramFolder folder;
  test::ProcessResult result = folder.Run("/I");  // not the install mode: letter case counts
  EXPECT_EQ(result.exit_code, 0u);
  EXPECT_EQ(result.error, "This program must be started as a service.\r\n");
  const auto events = Events(folder.File("events.log"));
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events[0], "Loading: Command mode is [/I]");
  EXPECT_EQ(events[1], "Loading: Initialize...");
  EXPECT_EQ(events.back().rfind("LoadValues: Initialize Config file to ", 0), 0u)
      << "the settings are loaded before the service host starts";
  EXPECT_FALSE(ServiceExists());
}

class RunningService : public InstalledService {
 protected:
  void SetUp() override {
    InstalledService::SetUp();
    WriteSetting("Service", "DebugMode", "1", folder_.File("plomenk.ini"));
    WriteSetting("LOGS", "Enable", "1", folder_.File("plomenk.ini"));
    // Present from the start, so that the flags' getters do not change the file's size.
    WriteSetting("Service", "ReloadParameters", "0", folder_.File("plomenk.ini"));
    WriteSetting("Service", "StartActions", "0", folder_.File("plomenk.ini"));
    // A check goes to no vendor server: tests that want a retrieval point it at their own.
    WriteSetting("FTP", "UseThis", "0", folder_.File("plomenk.ini"));
    Prepare();
    ASSERT_EQ(folder_.Run("/i").exit_code, 0u);
    ASSERT_TRUE(::StartServiceA(OpenVorms().get(), 0, nullptr)) << ::GetLastError();
    ASSERT_TRUE(WaitForState(SERVICE_RUNNING));
    process_.reset(::OpenProcess(SYNCHRONIZE, FALSE, test::VormsStatus().dwProcessId));
  }
  virtual void Prepare() {}
  bool ProcessEnded() const {
    return process_ && ::WaitForSingleObject(process_.get(), 30000) == WAIT_OBJECT_0;
  }
  std::string Ini() const { return folder_.File("plomenk.ini"); }
  // Waits until the journal holds the line and at least `lines` lines from it on (the
  // service may still be writing the ones after it); the journal from that line on.
  std::vector<std::string> JournalFrom(const std::string& line, std::size_t lines = 1) const {
    std::vector<std::string> from;
    test::WaitFor([&] {
      const auto events = Events(folder_.File("events.log"));
      auto at = std::find(events.begin(), events.end(), line);
      from.assign(at, events.end());
      return from.size() >= lines;
    });
    return from;
  }
  void ClearJournal() const { ::DeleteFileA(folder_.File("events.log").c_str()); }

  ProgramFolder folder_;
  test::ServerRecord record_;
  Handle process_;
};

TEST_F(RunningService, StartsTicksAnswersControlsAndStops) {
  EXPECT_EQ(test::VormsStatus().dwControlsAccepted,
            static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN));
  const auto events = Events(folder_.File("events.log"));
  ASSERT_GE(events.size(), 4u);
  EXPECT_EQ(events[2], "Loading: Command mode is []");
  EXPECT_EQ(events[3], "Loading: Initialize...");
  EXPECT_NE(test::ReadFile(folder_.File("VORMS_DEBUG.log")).find("]Loading: Invoking Start Service function"),
            std::string::npos);

  // The settings were loaded before the service host started: the next run lies an
  // interval ahead, so the service does not check at start-up on its own.
  EXPECT_FALSE(ReadSetting("SERVICE", "ScheduleTimeExecute", Ini()).empty());
  EXPECT_EQ(ReadSetting("SERVICE", "SchedulePoolMinutes", Ini()), "60");

  SERVICE_STATUS status{};
  ASSERT_TRUE(::ControlService(OpenVorms().get(), SERVICE_CONTROL_INTERROGATE, &status));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(test::VormsStatus().dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));

  test::ProcessResult second = folder_.Run("");
  EXPECT_EQ(second.exit_code, 0u);
  EXPECT_EQ(second.error, "") << "a second instance returns silently";

  ASSERT_TRUE(::ControlService(OpenVorms().get(), SERVICE_CONTROL_STOP, &status));
  EXPECT_TRUE(status.dwCurrentState == SERVICE_STOP_PENDING || status.dwCurrentState == SERVICE_STOPPED);
  EXPECT_TRUE(WaitForState(SERVICE_STOPPED));
  EXPECT_TRUE(ProcessEnded());
}

TEST_F(RunningService, RemoveStopsTheRunningServiceAndDeletesIt) {
  test::ProcessResult removed = folder_.Run("/u");
  EXPECT_EQ(removed.exit_code, 0u);
  EXPECT_EQ(removed.error, "Success uninstall the service \r\n");
  EXPECT_TRUE(ProcessEnded());
  EXPECT_TRUE(test::WaitFor([] { return !ServiceExists(); }));
}

TEST_F(RunningService, ChecksWhenTheConsoleAsksAndReloadsWhenItAsks) {
  const std::string root = folder_.File("PCCSRV");
  EXPECT_FALSE(JournalFrom("LoadValues: OfficeScan Server Root=" + root).empty());

  ClearJournal();
  WriteSetting("Service", "StartActions", "1", Ini());
  const auto check = JournalFrom("Timer1: User has activate the Check Now function", 3);
  ASSERT_GE(check.size(), 3u) << "the check-now request reached the service";
  EXPECT_EQ(check[1], "Launch: Launch Function starting");
  EXPECT_EQ(check[2], "Launch: HTTP Protocol=0");
  EXPECT_EQ(ReadSetting("Service", "StartActions", Ini()), "0");

  ClearJournal();
  WriteSetting("Service", "ReloadParameters", "1", Ini());
  EXPECT_FALSE(JournalFrom("LoadValues: OfficeScan Server Root=" + root).empty());
  EXPECT_TRUE(test::WaitFor([&] { return ReadSetting("Service", "ReloadParameters", Ini()) == "0"; }));
  EXPECT_EQ(test::VormsStatus().dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(RunningService, ASettingsFileDeletedWhileRunningIsRecreatedAndReloaded) {
  ASSERT_FALSE(JournalFrom("Loading: Initialize...").empty());
  ClearJournal();
  ASSERT_TRUE(::DeleteFileA(Ini().c_str()));
  const auto reload = JournalFrom("Timer1: Config File is changed", 2);
  ASSERT_GE(reload.size(), 2u);
  EXPECT_EQ(reload[1].rfind("LoadValues: OfficeScan Server Root=", 0), 0u);
  EXPECT_TRUE(test::FileExists(Ini()));
}

class ServiceWithServerRecord : public RunningService {
 protected:
  void Prepare() override { record_.SetLocalPath(folder_.File("OfficeScan\\PCCSRV\\")); }
};

TEST_F(ServiceWithServerRecord, FindsTheRootInTheServersRecordAndCreatesIt) {
  const std::string root = folder_.File("OfficeScan\\PCCSRV");
  EXPECT_FALSE(JournalFrom("LoadValues: OfficeScan Server Root=" + root).empty());
  EXPECT_EQ(ReadSetting("OFFICESCAN", "ProgramDirectory", Ini()), root);
  EXPECT_TRUE(test::FileExists(root));
}

class ServiceWithoutRegistryLibrary : public RunningService {
 protected:
  void Prepare() override { ASSERT_EQ(test::UnregisterLibrary(), 0u); }
  void TearDown() override {
    RunningService::TearDown();
    test::RegisterLibrary();
  }
};

TEST_F(ServiceWithoutRegistryLibrary, ReportsTheMissingLibraryAndKeepsRunning) {
  const auto load =
      JournalFrom("GET_OFFICESCAN_HTTP_FOLDER: Error 429 ActiveX component can't create object: 2");
  ASSERT_GE(load.size(), 2u);
  EXPECT_EQ(load[1], "LoadValues: OfficeScan Server Root=");
  ::Sleep(1500);
  EXPECT_EQ(test::VormsStatus().dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
}

// A server on 127.0.0.1 that takes connections and never says a word.
class SilentServer {
 public:
  SilentServer() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    socket_.reset(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(socket_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(socket_.get(), 8);
    int size = sizeof address;
    ::getsockname(socket_.get(), reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
  }
  ~SilentServer() {
    socket_.reset();
    ::WSACleanup();
  }
  int port() const { return port_; }

 private:
  Socket socket_;
  int port_ = 0;
};

class ServiceWithStallingFtpServer : public RunningService {
 protected:
  void Prepare() override {
    WriteSetting("FTP", "UseThis", "1", Ini());
    WriteSetting("FTP", "DefaultFolder",
                 "ftp://127.0.0.1:" + std::to_string(server_.port()) + "/products/tsc", Ini());
  }
  SilentServer server_;
};

TEST_F(ServiceWithStallingFtpServer, AStopEndsTheRunningTransfer) {
  WriteSetting("Service", "StartActions", "1", Ini());
  ASSERT_TRUE(test::WaitFor(
      [&] { return test::ReadFile(folder_.File("vorms.log")).find("]Open connexion") != std::string::npos; }))
      << "the check reached the FTP server";
  ::Sleep(500);
  SERVICE_STATUS status{};
  const ULONGLONG asked = ::GetTickCount64();
  ASSERT_TRUE(::ControlService(OpenVorms().get(), SERVICE_CONTROL_STOP, &status));
  EXPECT_TRUE(WaitForState(SERVICE_STOPPED));
  // Far below the 60 s the transfer would otherwise wait for the server.
  EXPECT_LT(::GetTickCount64() - asked, 15000u);
  EXPECT_NE(test::ReadFile(folder_.File("vorms.log")).find("]Launch: STARTFTP=False"), std::string::npos);
}

}  // namespace
}  // namespace vorms
