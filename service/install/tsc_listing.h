// The pattern number in the cleanup tool's "/VL" listing. Plain C++ with no Win32 calls,
// so that it also builds natively for fuzzing; the caller does the logging.
#pragma once

#include <functional>
#include <string>

namespace vorms {

// Reads the pattern number from the listing (lines separated by CR LF): the last of the
// first eleven lines holding "TSC Version " must exist, and the last of them holding
// "Load pattern file " gives the number between "(version " and ") [". Empty text when
// there is no usable line. Raises the run-time errors 9 (fewer than eleven lines),
// 5 (no pattern line, or one too short), 6 (a number outside 16 bits), 13 (no number).
// Each debug line of the analysis is handed to trace.
std::string PatternFromListing(const std::string& output,
                               const std::function<void(const std::string&)>& trace);

}  // namespace vorms
