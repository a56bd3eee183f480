#include "files.h"

#include <windows.h>

#include <algorithm>

#include "errors.h"
#include "handles.h"

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

bool IsFolder(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string FoundFileName(const std::string& path) {
  WIN32_FIND_DATAA found;
  FindHandle find(::FindFirstFileA(path.c_str(), &found));
  return find ? std::string(found.cFileName) : std::string();
}

std::string ReadWholeFile(const std::string& path, uint64_t limit) {
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) RaiseFileError(::GetLastError());
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.get(), &size)) RaiseFileError(::GetLastError());
  if (static_cast<uint64_t>(size.QuadPart) > limit) {
    throw RuntimeError(err::kOutOfMemory, "larger than " + std::to_string(limit) + " bytes");
  }
  std::string data(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < data.size()) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 20));
    if (!::ReadFile(file.get(), data.data() + done, want, &got, nullptr)) RaiseFileError(::GetLastError());
    if (got == 0) throw RuntimeError(err::kPathFileAccess, "became shorter while it was read");
    done += got;
  }
  return data;
}

void RemoveTree(const std::string& path) {
  if (!IsFolder(path)) {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
    return;
  }
  WIN32_FIND_DATAA found;
  FindHandle find(::FindFirstFileA((path + "\\*").c_str(), &found));
  if (find) {
    do {
      const std::string name = found.cFileName;
      if (name != "." && name != "..") RemoveTree(path + "\\" + name);
    } while (::FindNextFileA(find.get(), &found));
  }
  find.reset();
  ::RemoveDirectoryA(path.c_str());
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace vorms
