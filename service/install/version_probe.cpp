#include "version_probe.h"

#include <windows.h>

#include "command_runner.h"
#include "errors.h"
#include "logs.h"
#include "package_store.h"
#include "program.h"
#include "tsc_listing.h"

namespace vorms {
namespace {

constexpr char kSource[] = "GET_TSC_PATTERN_VERSION_FROM_DOS: ";
constexpr DWORD kShortPathBuffer = 255;
constexpr char kSupportContact[] = "the Vormsline administrators";

// The 8.3 form, which holds no blanks; empty text when there is no such file.
std::string ShortPath(const std::string& path) {
  char buffer[kShortPathBuffer];
  const DWORD n = ::GetShortPathNameA(path.c_str(), buffer, kShortPathBuffer);
  if (n == 0 || n >= kShortPathBuffer) return {};
  return std::string(buffer, n);
}

std::string ListingOf(const std::string& tool) { return ExecuteCommand("CMD /C " + tool + " /VL"); }

std::string ProbePattern(const std::string& path) {
  const std::string tool = ShortPath(path.empty() ? UnpackedToolPath() : path);
  WriteLog("PipeTheDos (GET_TSC_PATTERN_VERSION_FROM_DOS): Execute [" + tool + "]", 2);
  return PatternFromListing(ListingOf(tool), [](const std::string& line) { WriteLog(line, 2); });
}

void ReportProbeError(const RuntimeError& e) {
  if (e.number() == err::kTypeMismatch) {
    WriteLog(std::string(kSource) +
                 "Error 13, Probably Dos-PIPE  is not executable or Trend Micro has changed is TSC "
                 "MS-DOS system Screen",
             1);
    WriteLog(std::string(kSource) + "Pattern=", 1);
    return;
  }
  WriteLog(std::string(kSource) + "Error " + std::to_string(e.number()) + " " + e.description() +
               " Unknown error, please send this error to " + kSupportContact + " for support",
           1);
}

}  // namespace

std::string UnpackedToolPath() { return UnpackFolder() + "\\tsc.exe"; }

std::string GET_TSC_PATTERN_VERSION_FROM_DOS(const std::string& path) {
  return ReturnOnError<std::string>("0", [&] { return ProbePattern(path); }, ReportProbeError);
}

// A program folder with blanks in its path would split the command line: the short form
// has none, and the long one is quoted when there is no short form.
std::string GetTscListing() {
  const std::string tool = UnpackedToolPath();
  const std::string short_tool = ShortPath(tool);
  return ListingOf(short_tool.empty() ? "\"" + tool + "\"" : short_tool);
}

}  // namespace vorms
