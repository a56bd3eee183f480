// The schedule: the next run time stored as whole minutes since 2000-01-01 00:00 local
// time, the interval between runs, the test whether a run is due, and the countdown
// shown in the service window's caption.
#pragma once

#include <windows.h>

#include <string>

#include "datetime.h"

namespace vorms {

// The next run time as stored (Vorms keeps a copy in memory once it has one).
std::string GetScheduleTime();
void SetScheduleTime(const std::string& minutes);

// The interval in minutes; an empty value is stored and returned as "60".
std::string GetPoolMinutes();
void SetPoolMinutes(const std::string& minutes);

// Stores now + interval as the next run time and returns the stored minute count.
std::string ScheduleSaveNewTime();

// The date that a minute count stands for, as text; an empty count first stores a new
// next run time and takes that (the caller's variable receives it).
std::string Time_TransformBigDate(std::string& minutes);

// Whether the stored next run time has been reached; also refreshes the countdown
// caption. An empty stored value is due (the caller's variable becomes "0").
bool Is_Time_Active(std::string& stored);

// The whole minutes between 2000-01-01 00:00 and t, as decimal text.
std::string MinutesSince2000(const DateTime& t);

// The window whose caption shows the countdown (the service's hidden window).
void SetCountdownWindow(HWND window);

}  // namespace vorms
