// Date-time texts read back: the system's "yyyy-mm-dd hh:mm:ss" text (or a part of it)
// as a date and time, and the 14-digit form yyyymmddhhmmss that package dates are stored
// and compared in. No system calls: they read text from outside and are fuzzed natively.
#pragma once

#include <string>
#include <string_view>

#include "datetime.h"

namespace vorms {

// Reads "yyyy-mm-dd", "yyyy-mm-dd hh:mm" or "yyyy-mm-dd hh:mm:ss" (blanks around
// allowed) as a real calendar date and time; raises 13 for anything else.
DateTime ParseDateTimeText(std::string_view text);

// The 14-digit form of a date-time.
std::string NumericDate(const DateTime& t);

// 28 to 31; month from 1 to 12.
int DaysInMonth(int year, int month);

}  // namespace vorms
