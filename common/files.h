// Small questions about files, and file failures turned into the run-time's errors.
#pragma once

#include <cstdint>
#include <string>

namespace vorms {

// Raises the error for a failed file operation, picking the run-time number from the
// Win32 error code (access denied -> 70, missing folder -> 76, missing file -> 53, ...).
[[noreturn]] void RaiseFileError(unsigned long win32_error);

// A file or a folder of that name exists.
bool PathExists(const std::string& path);

// The file's length in bytes; raises 53 when there is no such file.
uint64_t FileLength(const std::string& path);

}  // namespace vorms
