// Small questions about files, and file failures turned into the run-time's errors.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

namespace vorms {

// Raises the error for a failed file operation, picking the run-time number from the
// Win32 error code (access denied -> 70, missing folder -> 76, missing file -> 53, ...).
[[noreturn]] void RaiseFileError(unsigned long win32_error);

// A file or a folder of that name exists.
bool PathExists(const std::string& path);

// A folder of that name exists.
bool IsFolder(const std::string& path);

// The file's length in bytes; raises 53 when there is no such file.
uint64_t FileLength(const std::string& path);

// The name the folder gives the file or folder at path (its own letter case), or empty
// text when there is none.
std::string FoundFileName(const std::string& path);

// The whole file. Raises the file errors, and 7 when it is longer than limit bytes
// (checked before anything is read).
std::string ReadWholeFile(const std::string& path,
                          uint64_t limit = std::numeric_limits<uint64_t>::max());

// Removes a file, or a folder with everything in it (read-only files too); what cannot
// be removed stays, silently.
void RemoveTree(const std::string& path);

// What precedes the last backslash or slash; empty text when there is none.
std::string FolderOf(const std::string& path);

}  // namespace vorms
