// The real service, installed and run by Wine's service manager from a program folder.
#include <gtest/gtest.h>

#include "handles.h"
#include "settings.h"
#include "test_support.h"

namespace vorms {
namespace {

using test::ReadLines;
using test::RunProcess;
using test::TempFolder;

constexpr char kName[] = "VORMS";

ServiceHandle OpenManager() { return ServiceHandle(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)); }

ServiceHandle OpenVorms() {
  ServiceHandle manager = OpenManager();
  return ServiceHandle(::OpenServiceA(manager.get(), kName, SERVICE_ALL_ACCESS));
}

SERVICE_STATUS_PROCESS QueryStatus() {
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  ServiceHandle service = OpenVorms();
  ::QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                         sizeof status, &needed);
  return status;
}

bool WaitForState(DWORD state) {
  return test::WaitFor([&] { return QueryStatus().dwCurrentState == state; }, 30000);
}

bool ServiceExists() {
  ServiceHandle service = OpenVorms();
  return static_cast<bool>(service);
}

// Leaves the machine without the service, whatever an earlier run left behind.
void RemoveLeftover() {
  if (!ServiceExists()) return;
  SERVICE_STATUS status;
  ::ControlService(OpenVorms().get(), SERVICE_CONTROL_STOP, &status);
  WaitForState(SERVICE_STOPPED);
  ::DeleteService(OpenVorms().get());
  test::WaitFor([] { return !ServiceExists(); });
}

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

// Strips the leading "yyyy-mm-dd hh:mm:ss " of journal lines.
std::vector<std::string> Events(const std::string& path) {
  std::vector<std::string> lines = ReadLines(path);
  for (auto& line : lines) line = line.size() > 20 ? line.substr(20) : line;
  return lines;
}

class InstalledService : public testing::Test {
 protected:
  void SetUp() override { RemoveLeftover(); }
  void TearDown() override { RemoveLeftover(); }
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
    EXPECT_EQ(QueryStatus().dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED)) << "installing does not start it";

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
    ASSERT_EQ(folder_.Run("/i").exit_code, 0u);
    ASSERT_TRUE(::StartServiceA(OpenVorms().get(), 0, nullptr)) << ::GetLastError();
    ASSERT_TRUE(WaitForState(SERVICE_RUNNING));
    process_.reset(::OpenProcess(SYNCHRONIZE, FALSE, QueryStatus().dwProcessId));
  }
  bool ProcessEnded() const {
    return process_ && ::WaitForSingleObject(process_.get(), 30000) == WAIT_OBJECT_0;
  }

  ProgramFolder folder_;
  Handle process_;
};

TEST_F(RunningService, StartsTicksAnswersControlsAndStops) {
  EXPECT_EQ(QueryStatus().dwControlsAccepted,
            static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN));
  const auto events = Events(folder_.File("events.log"));
  ASSERT_GE(events.size(), 4u);
  EXPECT_EQ(events[2], "Loading: Command mode is []");
  EXPECT_EQ(events[3], "Loading: Initialize...");
  EXPECT_NE(test::ReadFile(folder_.File("VORMS_DEBUG.log")).find("]Loading: Invoking Start Service function"),
            std::string::npos);

  // The first tick finds no next run time stored, so the run is due and the next one
  // is stored an interval ahead.
  const std::string ini = folder_.File("plomenk.ini");
  ASSERT_TRUE(test::WaitFor([&] { return !ReadSetting("SERVICE", "ScheduleTimeExecute", ini).empty(); }));
  EXPECT_EQ(ReadSetting("SERVICE", "SchedulePoolMinutes", ini), "60");

  SERVICE_STATUS status{};
  ASSERT_TRUE(::ControlService(OpenVorms().get(), SERVICE_CONTROL_INTERROGATE, &status));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(QueryStatus().dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));

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

}  // namespace
}  // namespace vorms
