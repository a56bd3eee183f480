#include "datetime.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <optional>

#include "errors.h"
#include "system_time.h"

namespace vorms {
namespace {

constexpr long long kSecondsPerDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (m <= 2));
}

const long long kDays2000 = DaysFromCivil(2000, 1, 1);

long long FloorDiv(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

std::optional<DateTime> g_fixed_now;

}  // namespace

long long SecondsSince2000(const DateTime& t) {
  long long days = DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) - kDays2000;
  return days * kSecondsPerDay + t.hour * 3600LL + t.minute * 60LL + t.second;
}

DateTime FromSecondsSince2000(long long seconds) {
  // Years 100..9999, the range every date of the system can take.
  static const long long kLow = (DaysFromCivil(100, 1, 1) - kDays2000) * kSecondsPerDay;
  static const long long kHigh = (DaysFromCivil(10000, 1, 1) - kDays2000) * kSecondsPerDay - 1;
  if (seconds < kLow || seconds > kHigh) throw RuntimeError(err::kInvalidArgument);
  DateTime t;
  long long days = FloorDiv(seconds, kSecondsPerDay);
  long long rest = seconds - days * kSecondsPerDay;
  CivilFromDays(days + kDays2000, t.year, t.month, t.day);
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest / 60 % 60);
  t.second = static_cast<int>(rest % 60);
  return t;
}

DateTime AddMinutes(const DateTime& t, double minutes) {
  double whole = std::nearbyint(minutes);
  if (!std::isfinite(whole) || std::fabs(whole) > 1e13) throw RuntimeError(err::kInvalidArgument);
  return FromSecondsSince2000(SecondsSince2000(t) + static_cast<long long>(whole) * 60);
}

long long MinuteBoundaries(const DateTime& a, const DateTime& b) {
  return FloorDiv(SecondsSince2000(b), 60) - FloorDiv(SecondsSince2000(a), 60);
}

std::string DateTimeText(const DateTime& t) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  return buffer;
}

std::string WeekdayName(const DateTime& t) {
  static const char* const kNames[] = {"Thursday", "Friday", "Saturday", "Sunday",
                                       "Monday",   "Tuesday", "Wednesday"};
  long long days = DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day));
  long long index = ((days % 7) + 7) % 7;  // 1970-01-01 was a Thursday
  return kNames[index];
}

DateTime Now() {
  if (g_fixed_now) return *g_fixed_now;
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  return FromSystemTime(st);
}

void SetClockForTesting(const DateTime* fixed) {
  g_fixed_now = fixed ? std::optional<DateTime>(*fixed) : std::nullopt;
}

}  // namespace vorms
