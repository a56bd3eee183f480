// Local date and time values, their arithmetic and their one text form.
// Values are plain calendar readings of local time: arithmetic is done on them as
// numbers of seconds, and text is made only at the edges.
#pragma once

#include <string>

namespace vorms {

struct DateTime {
  int year = 2000;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;

  friend bool operator==(const DateTime&, const DateTime&) = default;
};

// Seconds since 2000-01-01 00:00:00.
long long SecondsSince2000(const DateTime& t);
// The inverse; raises 5 outside the years 100 to 9999.
DateTime FromSecondsSince2000(long long seconds);

// t plus a number of minutes, rounded to whole minutes; raises 5 when the result leaves
// the supported years.
DateTime AddMinutes(const DateTime& t, double minutes);

// The number of minute boundaries crossed going from a to b (negative when b is earlier).
long long MinuteBoundaries(const DateTime& a, const DateTime& b);

// "yyyy-mm-dd hh:mm:ss": the one date-time text of every file, caption and event.
std::string DateTimeText(const DateTime& t);

// "Monday".."Sunday".
std::string WeekdayName(const DateTime& t);

// The current local time, unless a test has set the clock.
DateTime Now();
// Tests fix "now"; pass nullptr to return to the system clock.
void SetClockForTesting(const DateTime* fixed);

}  // namespace vorms
