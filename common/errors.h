// The run-time error model shared by every part of the system (plain C++: the parsers of
// outside input that raise these errors also build natively for fuzzing): an error carries the
// run-time's number and description, conversions raise it, and procedures trap it in
// one of two shapes (go on with the next statement, or report and return a neutral
// result).
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>

namespace vorms {

namespace err {
constexpr int kFolderCheck = 1;
constexpr int kInvalidArgument = 5;
constexpr int kOverflow = 6;
constexpr int kOutOfMemory = 7;
constexpr int kSubscriptOutOfRange = 9;
constexpr int kTypeMismatch = 13;
constexpr int kInternal = 51;
constexpr int kFileNotFound = 53;
constexpr int kPermissionDenied = 70;
constexpr int kPathFileAccess = 75;
constexpr int kPathNotFound = 76;
constexpr int kCannotCreateObject = 429;
}  // namespace err

// The run-time's own description of an error number ("Overflow", "Type mismatch", ...).
std::string StandardDescription(int number);

class RuntimeError : public std::runtime_error {
 public:
  explicit RuntimeError(int number);
  RuntimeError(int number, std::string description);

  int number() const { return number_; }
  const std::string& description() const { return description_; }

 private:
  int number_;
  std::string description_;
};

// How a trapped error is reported.
using ErrorReport = std::function<void(const RuntimeError&)>;

// Reports nothing: for statements whose errors are skipped silently.
void IgnoreError(const RuntimeError&);

// Runs fn; any error it raises is handed to report and swallowed, so the caller goes
// on with its next statement.
void ResumeNext(const std::function<void()>& fn, const ErrorReport& report = IgnoreError);

// Runs fn and returns its result; when it raises, reports the error and returns neutral.
template <typename T, typename Fn>
T ReturnOnError(T neutral, Fn&& fn, const ErrorReport& report);

namespace detail {
// Turns whatever was thrown into the run-time error that describes it.
RuntimeError CurrentError();
// Hands the current exception to report; a report that fails itself (a log file that
// cannot be written) loses its line rather than escaping the trap.
void Report(const ErrorReport& report) noexcept;
}  // namespace detail

template <typename T, typename Fn>
T ReturnOnError(T neutral, Fn&& fn, const ErrorReport& report) {
  try {
    return std::forward<Fn>(fn)();
  } catch (...) {
    detail::Report(report);
    return neutral;
  }
}

}  // namespace vorms
