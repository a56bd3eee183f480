// Date-time values and the system's SYSTEMTIME, both ways, and UTC readings in local time.
#pragma once

#include <windows.h>

#include <optional>

#include "datetime.h"

namespace vorms {

DateTime FromSystemTime(const SYSTEMTIME& t);
SYSTEMTIME ToSystemTime(const DateTime& t);

// A UTC reading in the local time zone; none when the system cannot convert it.
std::optional<DateTime> LocalFromUtc(const DateTime& utc);

}  // namespace vorms
