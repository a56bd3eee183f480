#include <gtest/gtest.h>

#include "errors.h"
#include "handles.h"
#include "memory_values.h"
#include "schedule.h"
#include "settings.h"
#include "test_support.h"

namespace vorms {
namespace {

using test::ProgramSandbox;

// A real window standing in for the service's hidden window.
class CountdownWindow {
 public:
  CountdownWindow()
      : window_(::CreateWindowExA(0, "STATIC", "VORMS", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr)) {
    SetCountdownWindow(window_.get());
  }
  ~CountdownWindow() { SetCountdownWindow(nullptr); }
  std::string Caption() const {
    char text[256] = {};
    ::GetWindowTextA(window_.get(), text, sizeof text);
    return text;
  }

 private:
  Window window_;
};

std::string Minutes(const DateTime& t) { return MinutesSince2000(t); }

TEST(Schedule, TheWorkedExample) {
  ProgramSandbox sandbox;
  sandbox.SetNow({2000, 1, 2, 14, 30, 20});
  memory::SetLogsEnabled(1);
  EXPECT_EQ(ScheduleSaveNewTime(), "2370");
  EXPECT_EQ(ReadSetting("SERVICE", "ScheduleTimeExecute", sandbox.Ini()), "2370");
  EXPECT_EQ(ReadSetting("SERVICE", "SchedulePoolMinutes", sandbox.Ini()), "60");
  EXPECT_EQ(memory::GetNextRunMinutes(), "2370");
  EXPECT_EQ(test::ReadLines(sandbox.File("vorms.log")),
            std::vector<std::string>{"2000-01-02 14:30:20 : [" + ProgramName() +
                                     "]ScheduleSaveNewTime: calculate to start on 2000-01-02 15:30:00"});

  CountdownWindow window;
  std::string stored = GetScheduleTime();
  EXPECT_FALSE(Is_Time_Active(stored));
  EXPECT_EQ(window.Caption(), "VORMS " + std::to_string(VORMS_VERSION_MAJOR) + "." +
                                  std::to_string(VORMS_VERSION_MINOR) +
                                  " Next process in 60 minutes: on Sunday 02 15:30");
}

TEST(Schedule, DueWhenTheMinuteIsReachedNotBefore) {
  ProgramSandbox sandbox;
  CountdownWindow window;
  const DateTime now{2026, 12, 10, 9, 5, 59};
  sandbox.SetNow(now);
  const long long minute = std::stoll(Minutes(now));

  std::string equal = std::to_string(minute);
  EXPECT_TRUE(Is_Time_Active(equal));
  EXPECT_NE(window.Caption().find(" Next process in 0 minutes: on Thursday 10 09:05"), std::string::npos);

  std::string one_before = std::to_string(minute + 1);
  EXPECT_FALSE(Is_Time_Active(one_before));
  EXPECT_NE(window.Caption().find(" Next process in 1 minutes: on Thursday 10 09:06"), std::string::npos);

  std::string passed = std::to_string(minute - 5);
  EXPECT_TRUE(Is_Time_Active(passed));
  EXPECT_NE(window.Caption().find(" Next process in -5 minutes: on "), std::string::npos);
}

TEST(Schedule, CountsAreComparedAsNumbers) {
  ProgramSandbox sandbox;
  sandbox.SetNow({2019, 1, 5, 10, 40, 0});  // the count reaches 10,000,000 here
  EXPECT_EQ(Minutes({2019, 1, 5, 10, 40, 0}), "10000000");
  std::string seven_digits = "9999999";
  EXPECT_TRUE(Is_Time_Active(seven_digits));
  std::string later = "10000001";
  EXPECT_FALSE(Is_Time_Active(later));
}

TEST(Schedule, AnEmptyStoreIsDueAndBecomesZeroInTheCallersCopyOnly) {
  ProgramSandbox sandbox;
  sandbox.SetNow({2026, 12, 10, 9, 0, 0});
  std::string stored = GetScheduleTime();
  ASSERT_EQ(stored, "");
  EXPECT_TRUE(Is_Time_Active(stored));
  EXPECT_EQ(stored, "0");
  EXPECT_EQ(memory::GetNextRunMinutes(), "");
  EXPECT_EQ(ReadSetting("SERVICE", "ScheduleTimeExecute", sandbox.Ini()), "");
}

TEST(Schedule, AStoreThatIsNotANumberIsNotDue) {
  ProgramSandbox sandbox;
  sandbox.SetNow({2026, 12, 10, 9, 0, 0});
  memory::SetDebugOn(1);
  std::string stored = "soon";
  EXPECT_FALSE(Is_Time_Active(stored));
  const auto lines = test::ReadLines(sandbox.File("VORMS_DEBUG.log"));
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines[0].find("]Is_Time_Active: Error minimal number 13 Continue processing.. "
                          "(do not try to understand the errors)Type mismatch"),
            std::string::npos);
}

TEST(Schedule, AnEmptyIntervalIsStoredAsSixty) {
  ProgramSandbox sandbox;
  sandbox.SetNow({2000, 1, 1, 0, 0, 0});
  WriteSetting("SERVICE", "SchedulePoolMinutes", "", sandbox.Ini());
  EXPECT_EQ(GetPoolMinutes(), "60");
  EXPECT_EQ(ReadSetting("SERVICE", "SchedulePoolMinutes", sandbox.Ini()), "60");
  SetPoolMinutes("");
  EXPECT_EQ(ReadSetting("SERVICE", "SchedulePoolMinutes", sandbox.Ini()), "60");
  SetPoolMinutes("15");
  EXPECT_EQ(ScheduleSaveNewTime(), "15");
}

TEST(Schedule, AnIntervalThatIsNotAUsableNumberKeepsTheServiceOnSixty) {
  for (const char* pool : {"abc", "0", "-5", "99999999999"}) {
    SCOPED_TRACE(pool);
    ProgramSandbox sandbox;
    sandbox.SetNow({2000, 1, 1, 0, 0, 0});
    memory::SetLogsEnabled(1);
    WriteSetting("SERVICE", "SchedulePoolMinutes", pool, sandbox.Ini());
    EXPECT_EQ(ScheduleSaveNewTime(), "60");
    EXPECT_EQ(ReadSetting("SERVICE", "SchedulePoolMinutes", sandbox.Ini()), pool) << "left for the user";
    const auto lines = test::ReadLines(sandbox.File("vorms.log"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("]ScheduleSaveNewTime: SchedulePoolMinutes=[" + std::string(pool) +
                            "] is not a number of minutes from 1 to 525600, 60 is used"),
              std::string::npos);
  }
}

TEST(Schedule, TransformBigDateTurnsACountIntoADate) {
  ProgramSandbox sandbox;
  sandbox.SetNow({2000, 1, 2, 14, 30, 20});
  std::string zero = "0";
  EXPECT_EQ(Time_TransformBigDate(zero), "2000-01-01 00:00:00");
  std::string count = "2370";
  EXPECT_EQ(Time_TransformBigDate(count), "2000-01-02 15:30:00");
  std::string empty;
  EXPECT_EQ(Time_TransformBigDate(empty), "2000-01-02 15:30:00");
  EXPECT_EQ(empty, "2370") << "an empty count first stores a new time";
  std::string text = "x";
  EXPECT_EQ(Time_TransformBigDate(text), "");
}

TEST(Schedule, VormsKeepsItsOwnCopyWhileConfigRereadsTheFile) {
  {
    ProgramSandbox sandbox(Program::Vorms);
    WriteSetting("SERVICE", "ScheduleTimeExecute", "100", sandbox.Ini());
    EXPECT_EQ(GetScheduleTime(), "100");
    WriteSetting("SERVICE", "ScheduleTimeExecute", "200", sandbox.Ini());
    EXPECT_EQ(GetScheduleTime(), "100");
    SetScheduleTime("300");
    EXPECT_EQ(GetScheduleTime(), "300");
    EXPECT_EQ(ReadSetting("SERVICE", "ScheduleTimeExecute", sandbox.Ini()), "300");
  }
  {
    ProgramSandbox sandbox(Program::Config);
    WriteSetting("SERVICE", "ScheduleTimeExecute", "100", sandbox.Ini());
    EXPECT_EQ(GetScheduleTime(), "100");
    WriteSetting("SERVICE", "ScheduleTimeExecute", "200", sandbox.Ini());
    EXPECT_EQ(GetScheduleTime(), "200");
    SetScheduleTime("300");
    EXPECT_EQ(memory::GetNextRunMinutes(), "");
  }
}

TEST(Schedule, ScheduleKeysShareOneSectionWithTheFlags) {
  ProgramSandbox sandbox;
  WriteSetting("Service", "StartActions", "0", sandbox.Ini());
  SetScheduleTime("42");
  EXPECT_EQ(ReadSetting("Service", "ScheduleTimeExecute", sandbox.Ini()), "42");
}

TEST(DateTime, MinuteArithmetic) {
  EXPECT_EQ(Minutes({2000, 1, 1, 0, 0, 59}), "0");
  EXPECT_EQ(Minutes({1999, 12, 31, 23, 59, 59}), "-1");
  EXPECT_EQ(Minutes({2000, 3, 1, 0, 0, 0}), std::to_string(60 * 24 * 60));  // 2000 is a leap year
  EXPECT_EQ(DateTimeText(AddMinutes({2000, 12, 31, 23, 30, 5}, 45)), "2001-01-01 00:15:05");
  EXPECT_EQ(WeekdayName({2000, 1, 1, 0, 0, 0}), "Saturday");
  EXPECT_THROW(AddMinutes({9999, 12, 31, 0, 0, 0}, 1e7), RuntimeError);
}

}  // namespace
}  // namespace vorms
