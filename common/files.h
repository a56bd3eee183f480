// Small questions about files, answered with the run-time's errors.
#pragma once

#include <cstdint>
#include <string>

namespace vorms {

// A file or a folder of that name exists.
bool PathExists(const std::string& path);

// The file's length in bytes; raises 53 when there is no such file.
uint64_t FileLength(const std::string& path);

}  // namespace vorms
