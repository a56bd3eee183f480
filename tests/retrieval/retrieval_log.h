// The service's log lines as the retrieval tests read them: the messages without the
// time and program prefix.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "memory_values.h"
#include "test_support.h"

namespace vorms::test {

// Level 1 and 2 lines both go to the debug log while both switches are on.
inline void LogEverything() {
  memory::SetLogsEnabled(1);
  memory::SetDebugOn(1);
}

inline std::vector<std::string> LoggedMessages(const ProgramSandbox& sandbox) {
  std::vector<std::string> messages;
  for (const std::string& line : ReadLines(sandbox.File("VORMS_DEBUG.log"))) {
    std::size_t end = line.find("]");
    messages.push_back(end == std::string::npos ? line : line.substr(end + 1));
  }
  return messages;
}

inline bool Logged(const ProgramSandbox& sandbox, const std::string& message) {
  auto messages = LoggedMessages(sandbox);
  return std::find(messages.begin(), messages.end(), message) != messages.end();
}

}  // namespace vorms::test
