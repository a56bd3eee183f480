#include "files.h"

#include <windows.h>

#include "errors.h"

namespace vorms {

bool PathExists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RaiseFileError(unsigned long win32_error) {
  switch (win32_error) {
    case ERROR_FILE_NOT_FOUND: throw RuntimeError(err::kFileNotFound);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE: throw RuntimeError(err::kPathNotFound);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: throw RuntimeError(err::kPermissionDenied);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: throw RuntimeError(61);
    case ERROR_TOO_MANY_OPEN_FILES: throw RuntimeError(67);
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: throw RuntimeError(52);
    default: throw RuntimeError(err::kPathFileAccess);
  }
}

uint64_t FileLength(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    throw RuntimeError(err::kFileNotFound);
  }
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace vorms
