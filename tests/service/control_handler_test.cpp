#include <gtest/gtest.h>

#include "handles.h"
#include "service_control.h"
#include "startup.h"

namespace vorms {
namespace {

class ControlHandler : public testing::Test {
 protected:
  void SetUp() override {
    UseServiceEvents({start_.get(), stop_.get(), stop_done_.get()});
    ReportServiceState(SERVICE_RUNNING);
  }
  void TearDown() override { UseServiceEvents({}); }
  bool StopAsked() const { return ::WaitForSingleObject(stop_.get(), 0) == WAIT_OBJECT_0; }

  Handle start_{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  Handle stop_{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  Handle stop_done_{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

// The service manager refuses to send a shutdown control by hand, so the handler is
// driven directly here; stop and interrogate are also shown on the installed service.
TEST_F(ControlHandler, StopAndShutdownReportStopPendingAndAskTheLoopToEnd) {
  for (DWORD control : {DWORD{SERVICE_CONTROL_STOP}, DWORD{SERVICE_CONTROL_SHUTDOWN}}) {
    SCOPED_TRACE(control);
    ReportServiceState(SERVICE_RUNNING);
    ::ResetEvent(stop_.get());
    ServiceControlHandler(control);
    EXPECT_EQ(CurrentServiceState(), static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_TRUE(StopAsked());
  }
}

// A stop waits for a running check to end: the manager is told how long to wait, and
// the check point starts at 1 so that its progress can be shown; stopped clears both.
TEST_F(ControlHandler, StopPendingCarriesAWaitHintAndACheckPoint) {
  ServiceControlHandler(SERVICE_CONTROL_STOP);
  SERVICE_STATUS status = CurrentServiceStatus();
  EXPECT_EQ(status.dwCheckPoint, 1u);
  EXPECT_GT(status.dwWaitHint, 0u);
  EXPECT_TRUE(StopRequested());
  ServiceControlHandler(SERVICE_CONTROL_STOP);  // asked again: the progress is not reset
  EXPECT_EQ(CurrentServiceStatus().dwCheckPoint, 1u);

  ReportServiceState(SERVICE_STOPPED);
  status = CurrentServiceStatus();
  EXPECT_EQ(status.dwCheckPoint, 0u);
  EXPECT_EQ(status.dwWaitHint, 0u);
}

TEST_F(ControlHandler, OtherControlsReReportTheCurrentState) {
  for (DWORD control : {DWORD{SERVICE_CONTROL_INTERROGATE}, DWORD{SERVICE_CONTROL_PAUSE}, DWORD{128}}) {
    SCOPED_TRACE(control);
    ServiceControlHandler(control);
    EXPECT_EQ(CurrentServiceState(), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_FALSE(StopAsked());
  }
}

TEST(ArgumentText, IsWhatFollowsTheProgramName) {
  const std::pair<const char*, const char*> cases[] = {
      {"vorms.exe /i", "/i"},
      {"\"C:\\Program Files\\Vorms\\vorms.exe\" /u", "/u"},
      {"\"C:\\a b\\vorms.exe\"", ""},
      {"vorms.exe", ""},
      {"vorms.exe   /i x", "/i x"},
      {"vorms.exe /I", "/I"},
  };
  for (const auto& [line, text] : cases) EXPECT_EQ(ArgumentText(line), text) << line;
}

TEST(CommandModeOf, OnlyTheExactTextsInstallOrRemove) {
  const std::pair<const char*, CommandMode> cases[] = {
      {"/i", CommandMode::Install}, {"/u", CommandMode::Remove}, {"/I", CommandMode::Run},
      {"/U", CommandMode::Run},     {"/i x", CommandMode::Run},  {"", CommandMode::Run},
      {"/i ", CommandMode::Run},    {"-i", CommandMode::Run},
  };
  for (const auto& [text, mode] : cases) EXPECT_EQ(CommandModeOf(text), mode) << "[" << text << "]";
}

}  // namespace
}  // namespace vorms
