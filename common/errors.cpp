#include "errors.h"

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
