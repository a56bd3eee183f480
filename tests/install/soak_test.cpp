// Days of the service's tick on an accelerated clock: one tick per simulated minute, a
// check every hour against the local FTP and HTTP servers, a new package each day that is
// installed and mailed, reloads and check-now requests in between. The process's handle
// count, memory and thread count are taken after each day; they must stay flat.
//   VORMS_SOAK_DAYS   simulated days (30 unless set; at least 2)
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "check_cycle.h"
#include "com_objects.h"
#include "datetime.h"
#include "installed_service.h"
#include "job_fixture.h"
#include "memory_values.h"
#include "process_figures.h"
#include "program.h"
#include "service_chain.h"
#include "settings.h"
#include "settings_loader.h"
#include "test_support.h"

namespace vorms {
namespace {

using test::Count;
using test::kNewRelease;
using test::kOldRelease;

constexpr int kMinutesPerDay = 24 * 60;
constexpr char kInstalled[] = "ApplyTmTouch: successfull Change TSC.PTN";
constexpr char kMailSent[] = "SMTP_Notify: Success connecting and sending eMail Notification";

int SoakDays() {
  const std::string days = test::Env("VORMS_SOAK_DAYS");
  return days.empty() ? 30 : std::max(2, std::atoi(days.c_str()));
}

class Soak : public test::ServiceJob {
 protected:
  void SetUp() override {
    ServiceJob::SetUp();
    if (HasFatalFailure()) return;
    SetRunningProgram(Program::Vorms);
    SetProgramFolderForTesting(folder_.path());
    memory::ResetAll();
    SetCheckChain(ServiceCheckChain());
    test::WriteFile(test::HttpServedFile("/soak/tsc.asp"), test::kNewReleasePage);
    Configure();
    WriteSetting("Service", "DebugMode", "0", Ini());  // 30 days of debug lines say nothing more
    WriteSetting("SERVICE", "SchedulePoolMinutes", "60", Ini());
    WriteSetting("HTTP", "DefaultFolder", test::HttpUrl("/soak/tsc.asp"), Ini());
    WriteSetting("HTTP", "DefaultFileToGet", test::HttpUrl("/soak/tsc.zip"), Ini());
    now_ = Now();
    SetClockForTesting(&now_);
  }
  void TearDown() override {
    SetClockForTesting(nullptr);
    SetCheckChain({});
    memory::ResetAll();
    SetProgramFolderForTesting("");
    ServiceJob::TearDown();
  }


  // The old release back in ADMIN and a new package on one of the two roads, FTP on even
  // days, HTTP on odd ones; the settings change is reloaded like a console's.
  void StartDay(int day) {
    InstallInAdmin(kOldRelease);
    const bool ftp = day % 2 == 0;
    WriteSetting("FTP", "UseThis", ftp ? "1" : "0", Ini());
    WriteSetting("HTTP", "UseThis", ftp ? "0" : "1", Ini());
    test::RemoveTree(remote_);
    ::CreateDirectoryA(remote_.c_str(), nullptr);
    if (ftp) {
      Offer("day" + std::to_string(day), kNewRelease, -1);
    } else {
      Pack(kNewRelease, test::HttpServedFile("/soak/tsc.zip"), -1);
    }
    WriteSetting("Service", "ReloadParameters", "1", Ini());
  }

  // One tick a minute; now and then a reload or a check-now request, as from the console.
  void RunDay() {
    for (int minute = 0; minute < kMinutesPerDay; ++minute) {
      now_ = AddMinutes(now_, 1);
      SetClockForTesting(&now_);
      if (minute % 420 == 200) WriteSetting("Service", "ReloadParameters", "1", Ini());
      if (minute % 660 == 300) WriteSetting("Service", "StartActions", "1", Ini());
      CRONO_Timer();
    }
  }

  DateTime now_;
};

TEST_F(Soak, DaysOfChecksKeepHandlesMemoryAndThreadsFlat) {
  const int days = SoakDays();
  ComApartment com;
  LoadValues();
  std::vector<test::ProcessFigures> after_day;
  std::printf("%4s %7s %9s %6s %8s %11s %8s\n", "day", "checks", "installs", "mails", "handles", "private MB",
              "threads");
  for (int day = 0; day < days; ++day) {
    StartDay(day);
    RunDay();
    after_day.push_back(test::MeasureThisProcess());
    const test::ProcessFigures& f = after_day.back();
    const std::string events = Events(), log = Log();
    std::printf("%4d %7zu %9zu %6zu %8lu %11.1f %8lu\n", day + 1, Count(events, "Launch: Launch Function starting"),
                Count(log, kInstalled), Count(log, kMailSent), f.handles, f.private_mb, f.threads);
    std::fflush(stdout);
  }

  const std::string log = Log();
  // Every day's package installed and mailed once, on both roads; a check about every
  // hour (each reload moves the next run an interval ahead) and for each check-now request.
  EXPECT_EQ(Count(log, kInstalled), static_cast<std::size_t>(days));
  EXPECT_EQ(Count(log, kMailSent), static_cast<std::size_t>(days));
  EXPECT_GE(Count(Events(), "Launch: Launch Function starting"), static_cast<std::size_t>(days * 20));

  // Flat from the end of the first day, which warms up every path, to the end of the last.
  const test::ProcessFigures& first = after_day.front();
  const test::ProcessFigures& last = after_day.back();
  std::printf("growth from day 1 to day %d: handles %+ld, private memory %+.1f MB, threads %+ld\n", days,
              static_cast<long>(last.handles) - static_cast<long>(first.handles), last.private_mb - first.private_mb,
              static_cast<long>(last.threads) - static_cast<long>(first.threads));
  EXPECT_LE(last.handles, first.handles + 10);
  EXPECT_LE(last.threads, first.threads + 2);
  EXPECT_LE(last.private_mb, first.private_mb + 4);
}

}  // namespace
}  // namespace vorms
