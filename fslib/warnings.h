// Warnings of the library. It runs inside services, where nobody can answer a message
// box: a warning goes to the debugger output (OutputDebugString) and the call goes on.
#pragma once

#include <string>

namespace vorms::fslib {

void ReportWarning(const std::string& text);

}  // namespace vorms::fslib
