// The command runner: runs a command line, collects what it writes to standard output and
// standard error on one pipe while it runs, and ends it when it takes too long or the
// service is asked to stop.
#pragma once

#include <windows.h>

#include <string>

namespace vorms {

inline constexpr DWORD kCommandTimeLimitMs = 60000;
// More output than this is read and dropped, so that a chatty tool neither blocks on a
// full pipe nor fills the memory.
inline constexpr std::size_t kCommandOutputLimit = 1 << 20;

// Runs command_line (e.g. "CMD /C tool /VL") with no window and no input, and returns
// its output. Raises the run-time error 51 with a description when the process cannot
// be started, did not end within limit_ms, or a stop was requested; in the last two cases
// the process and everything it started are ended first.
std::string ExecuteCommand(const std::string& command_line, DWORD limit_ms = kCommandTimeLimitMs);

}  // namespace vorms
