#include "date_text.h"

#include <cstdio>

#include "conversions.h"
#include "errors.h"

namespace vorms {
namespace {

[[noreturn]] void NotADate() { throw RuntimeError(err::kTypeMismatch); }

// Exactly `width` digits at the front of text, consumed.
int TakeDigits(std::string_view& text, std::size_t width) {
  if (text.size() < width) NotADate();
  int value = 0;
  for (std::size_t i = 0; i < width; ++i) {
    char c = text[i];
    if (c < '0' || c > '9') NotADate();
    value = value * 10 + (c - '0');
  }
  text.remove_prefix(width);
  return value;
}

void TakeSeparator(std::string_view& text, char separator) {
  if (text.empty() || text.front() != separator) NotADate();
  text.remove_prefix(1);
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

}  // namespace

DateTime ParseDateTimeText(std::string_view whole) {
  const std::string trimmed = Trim(whole);
  std::string_view text = trimmed;
  DateTime t;
  t.year = TakeDigits(text, 4);
  TakeSeparator(text, '-');
  t.month = TakeDigits(text, 2);
  TakeSeparator(text, '-');
  t.day = TakeDigits(text, 2);
  t.hour = t.minute = t.second = 0;
  if (!text.empty()) {
    TakeSeparator(text, ' ');
    t.hour = TakeDigits(text, 2);
    TakeSeparator(text, ':');
    t.minute = TakeDigits(text, 2);
    if (!text.empty()) {
      TakeSeparator(text, ':');
      t.second = TakeDigits(text, 2);
    }
  }
  if (!text.empty() || t.year < 100 || t.month < 1 || t.month > 12 || t.day < 1 ||
      t.day > DaysInMonth(t.year, t.month) || t.hour > 23 || t.minute > 59 || t.second > 59) {
    NotADate();
  }
  return t;
}

std::string NumericDate(const DateTime& t) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return buffer;
}

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

}  // namespace vorms
