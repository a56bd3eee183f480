// Stamping a file's three dates with the current time.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "datetime.h"

namespace vorms::fslib {

// "d/m/yyyy  h:m:s": numbers without leading zeros, two blanks between date and time.
std::string DateStampText(const DateTime& t);

// Reads a date-time text of that form back (each number by the leading-number rule);
// nothing when a separator is missing.
std::optional<SYSTEMTIME> ParseDateTimeText(const std::string& text);

// Sets the creation, last-access and last-write times of sFile to now (whole seconds).
// NewDateCreated receives the stamp as soon as the file was found readable, so a file
// that cannot be opened for writing returns false with the stamp already handed back;
// a file that cannot be read returns false and hands nothing back. A receiver that
// refuses the stamp (by raising) leaves the file's dates as they were.
using StampReceiver = std::function<void(const std::string& stamp)>;
bool FILE_CHANGE_DATE_TO_NOW(const std::string& sFile, const StampReceiver& NewDateCreated);

}  // namespace vorms::fslib
