// The package dates of the FTP road: a date-time text turned into the 14-digit form
// yyyymmddhhmmss that is stored and compared as text. No system calls: fuzzed natively.
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

}  // namespace vorms
