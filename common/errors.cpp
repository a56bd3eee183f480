#include "errors.h"

#include <windows.h>

#include <new>

namespace vorms {

std::string StandardDescription(int number) {
  switch (number) {
    case err::kFolderCheck: return "Application-defined or object-defined error";
    case 3: return "Return without GoSub";
    case err::kInvalidArgument: return "Invalid procedure call or argument";
    case err::kOverflow: return "Overflow";
    case err::kOutOfMemory: return "Out of memory";
    case err::kSubscriptOutOfRange: return "Subscript out of range";
    case 11: return "Division by zero";
    case err::kTypeMismatch: return "Type mismatch";
    case err::kInternal: return "Internal error";
    case 52: return "Bad file name or number";
    case err::kFileNotFound: return "File not found";
    case 57: return "Device I/O error";
    case 58: return "File already exists";
    case 61: return "Disk full";
    case 67: return "Too many files";
    case err::kPermissionDenied: return "Permission denied";
    case err::kPathFileAccess: return "Path/File access error";
    case err::kPathNotFound: return "Path not found";
    case err::kCannotCreateObject: return "ActiveX component can't create object";
    default: return "Application-defined or object-defined error";
  }
}

RuntimeError::RuntimeError(int number) : RuntimeError(number, StandardDescription(number)) {}

RuntimeError::RuntimeError(int number, std::string description)
    : std::runtime_error(std::to_string(number) + " " + description),
      number_(number),
      description_(std::move(description)) {}

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

void IgnoreError(const RuntimeError&) {}

namespace detail {
RuntimeError CurrentError() {
  try {
    throw;
  } catch (const RuntimeError& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return RuntimeError(err::kOutOfMemory);
  } catch (const std::out_of_range&) {
    return RuntimeError(err::kSubscriptOutOfRange);
  } catch (const std::exception& e) {
    return RuntimeError(err::kInternal, e.what());
  } catch (...) {
    return RuntimeError(err::kInternal);
  }
}

void Report(const ErrorReport& report) noexcept {
  try {
    report(CurrentError());
  } catch (...) {
  }
}
}  // namespace detail

void ResumeNext(const std::function<void()>& fn, const ErrorReport& report) {
  try {
    fn();
  } catch (...) {
    detail::Report(report);
  }
}

}  // namespace vorms
