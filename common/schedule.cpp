#include "schedule.h"

#include <cstdio>
#include <optional>

#include "conversions.h"
#include "errors.h"
#include "logs.h"
#include "memory_values.h"
#include "program.h"
#include "settings.h"

namespace vorms {
namespace {

HWND g_countdown_window = nullptr;

constexpr char kLongTail[] = " Continue processing.. (do not try to understand the errors)";
constexpr char kShortTail[] = " Continue processing..";

// The intervals a run may be scheduled at: one minute to one year. Anything else would
// either stop the schedule or run the check on every tick, so it is replaced by 60.
constexpr double kShortestInterval = 1;
constexpr double kLongestInterval = 525600;
constexpr double kFallbackInterval = 60;

// The schedule's error line, written to the debug log only.
ErrorReport ScheduleError(const char* procedure, const char* tail) {
  return [procedure, tail](const RuntimeError& e) {
    WriteLog(std::string(procedure) + ": Error minimal number " + std::to_string(e.number()) + tail +
                 e.description(),
             2);
  };
}

double IntervalMinutes(const std::string& pool) {
  try {
    double minutes = ToNumber(pool);
    if (minutes >= kShortestInterval && minutes <= kLongestInterval) return minutes;
  } catch (const RuntimeError&) {
  }
  WriteLog("ScheduleSaveNewTime: SchedulePoolMinutes=[" + pool +
               "] is not a number of minutes from 1 to 525600, 60 is used",
           1);
  return kFallbackInterval;
}

void ShowCountdown(double remain, const std::optional<DateTime>& next) {
  if (g_countdown_window == nullptr) return;
  std::string on;
  if (next) {
    char day_and_time[16];
    std::snprintf(day_and_time, sizeof day_and_time, " %02d %02d:%02d", next->day, next->hour,
                  next->minute);
    on = WeekdayName(*next) + day_and_time;
  }
  std::string caption = "VORMS " + std::to_string(VORMS_VERSION_MAJOR) + "." +
                        std::to_string(VORMS_VERSION_MINOR) + " Next process in " +
                        NumberText(remain) + " minutes: on " + on;
  ::SetWindowTextA(g_countdown_window, caption.c_str());
}

}  // namespace

std::string GetScheduleTime() {
  if (!RunningVorms()) return GetText(keys::kScheduleTimeExecute);
  if (memory::GetNextRunMinutes().empty()) {
    memory::SetNextRunMinutes(GetText(keys::kScheduleTimeExecute));
  }
  return memory::GetNextRunMinutes();
}

void SetScheduleTime(const std::string& minutes) {
  SetText(keys::kScheduleTimeExecute, minutes);
  if (RunningVorms()) memory::SetNextRunMinutes(minutes);
}

std::string GetPoolMinutes() { return GetText(keys::kSchedulePoolMinutes); }

void SetPoolMinutes(const std::string& minutes) {
  SetText(keys::kSchedulePoolMinutes, minutes.empty() ? "60" : minutes);
}

std::string MinutesSince2000(const DateTime& t) {
  return std::to_string(MinuteBoundaries(DateTime{}, t));
}

std::string ScheduleSaveNewTime() {
  const ErrorReport report = ScheduleError("ScheduleSaveNewTime", kShortTail);
  std::string pool;
  std::string minutes;
  ResumeNext([&] { pool = GetPoolMinutes(); }, report);
  ResumeNext([&] { minutes = MinutesSince2000(AddMinutes(Now(), IntervalMinutes(pool))); }, report);
  // Without a computed time there is nothing sound to store: an empty store would be
  // due at once and turned back into a new store on every use.
  if (minutes.empty()) return minutes;
  ResumeNext([&] { SetScheduleTime(minutes); }, report);
  ResumeNext(
      [&] {
        std::string stored = GetScheduleTime();
        WriteLog("ScheduleSaveNewTime: calculate to start on " + Time_TransformBigDate(stored), 1);
      },
      report);
  return minutes;
}

std::string Time_TransformBigDate(std::string& minutes) {
  const ErrorReport report = ScheduleError("Time_TransformBigDate", kLongTail);
  std::string text;
  ResumeNext(
      [&] {
        if (!minutes.empty()) return;
        ScheduleSaveNewTime();
        minutes = GetScheduleTime();
      },
      report);
  ResumeNext([&] { text = DateTimeText(AddMinutes(DateTime{}, ToNumber(minutes))); }, report);
  return text;
}

bool Is_Time_Active(std::string& stored) {
  const ErrorReport report = ScheduleError("Is_Time_Active", kLongTail);
  const DateTime now = Now();
  bool due = false;
  double remain = 0;
  std::string now_minutes;
  std::optional<DateTime> next;
  ResumeNext([&] { WriteLog("Is_Time_Active: Time=[" + stored + "]", 3); }, report);
  if (stored.empty()) stored.assign(1, '0');  // (not = "0": GCC 12 warns falsely on it)
  ResumeNext(
      [&] {
        now_minutes = MinutesSince2000(now);
        WriteLog("Is_Time_Active: TheDate=[" + now_minutes + "]", 3);
      },
      report);
  ResumeNext([&] { due = ToNumber(stored) <= ToNumber(now_minutes); }, report);
  ResumeNext([&] { remain = ToNumber(stored) - ToNumber(now_minutes); }, report);
  ResumeNext(
      [&] {
        next = AddMinutes(now, remain);
        WriteLog("Is_Time_Active: Remain=[" + NumberText(remain) + "]", 3);
      },
      report);
  ResumeNext([&] { ShowCountdown(remain, next); }, report);
  return due;
}

void SetCountdownWindow(HWND window) { g_countdown_window = window; }

}  // namespace vorms
