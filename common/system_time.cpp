#include "system_time.h"

namespace vorms {

DateTime FromSystemTime(const SYSTEMTIME& t) {
  return DateTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

SYSTEMTIME ToSystemTime(const DateTime& t) {
  SYSTEMTIME s{};
  s.wYear = static_cast<WORD>(t.year);
  s.wMonth = static_cast<WORD>(t.month);
  s.wDay = static_cast<WORD>(t.day);
  s.wHour = static_cast<WORD>(t.hour);
  s.wMinute = static_cast<WORD>(t.minute);
  s.wSecond = static_cast<WORD>(t.second);
  return s;
}

std::optional<DateTime> LocalFromUtc(const DateTime& utc) {
  const SYSTEMTIME u = ToSystemTime(utc);
  SYSTEMTIME local;
  if (!::SystemTimeToTzSpecificLocalTime(nullptr, &u, &local)) return std::nullopt;
  return FromSystemTime(local);
}

}  // namespace vorms
