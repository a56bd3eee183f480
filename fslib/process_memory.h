// Working-set size of a running process found by its program file name.
#pragma once

#include <string>

namespace vorms::fslib {

// The working set, in kilobytes as decimal text, of the last listed process whose program
// file name (without folder, letter case ignored) is Process with blanks around removed;
// empty text when none matches or the platform is not NT. Processes that cannot be opened
// are skipped; pending window messages run between processes.
std::string MEMORY_GET_FROM_PROCESS(const std::string& Process);

}  // namespace vorms::fslib
