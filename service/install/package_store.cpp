#include "package_store.h"

#include <windows.h>

#include "conversions.h"
#include "date_text.h"
#include "datetime.h"
#include "errors.h"
#include "file_system_calls.h"
#include "files.h"
#include "handles.h"
#include "logs.h"
#include "memory_values.h"
#include "program.h"
#include "settings.h"
#include "system_time.h"
#include "version_probe.h"
#include "zip_files.h"

namespace vorms {
namespace {

constexpr char kSource[] = "FlushLocalValue: ";

void StoreUnpackedVersions() {
  tsc::SetVersion(FileVersionDigits(UnpackedToolPath()));
  tsc::SetPattern(GET_TSC_PATTERN_VERSION_FROM_DOS(UnpackedToolPath()));
  WriteLog(std::string(kSource) + "Success updated TSC versions.", 1);
}

// The tool and its pattern travel together: a package without one of them would leave
// ADMIN with a new tool beside an old pattern, so it is not unpacked for installing.
bool HoldsToolAndPattern() {
  return PathExists(UnpackFolder() + "\\tsc.exe") && PathExists(UnpackFolder() + "\\tsc.ptn");
}

bool Unpack(const std::string& package) {
  std::string failure;
  if (!zip::UnzipFile(package, UnpackFolder(), &failure)) {
    WriteLog(std::string(kSource) + "error uncompress " + package, 1);
    WriteLog(std::string(kSource) + failure, 2);
    return false;
  }
  if (HoldsToolAndPattern()) return true;
  WriteLog(std::string(kSource) + package + " does not hold both TSC.EXE and TSC.PTN, it is not installed", 1);
  RemoveTree(UnpackFolder());
  return false;
}

std::string LastWriteText(const WIN32_FIND_DATAA& found) {
  FILETIME local;
  SYSTEMTIME t;
  if (!::FileTimeToLocalFileTime(&found.ftLastWriteTime, &local) || !::FileTimeToSystemTime(&local, &t)) {
    throw RuntimeError(err::kTypeMismatch);
  }
  return DateTimeText(FromSystemTime(t));
}

// "yyyy-mm-dd hh:mm:ss" (or with "/" between the date's parts) as a date and time.
DateTime ReadDateText(const std::string& text, std::string& partial) {
  const std::string s = Trim(text);
  auto field = [&](std::size_t at, std::size_t length) {
    if (at + length > s.size()) throw RuntimeError(err::kTypeMismatch);
    for (std::size_t i = at; i < at + length; ++i) {
      if (s[i] < '0' || s[i] > '9') throw RuntimeError(err::kTypeMismatch);
    }
    return std::stoi(s.substr(at, length));
  };
  auto separator = [&](std::size_t at, const char* allowed) {
    if (at >= s.size() || std::string_view(allowed).find(s[at]) == std::string_view::npos) {
      throw RuntimeError(err::kTypeMismatch);
    }
  };
  DateTime t;
  t.year = field(0, 4);
  separator(4, "-/");
  t.month = field(5, 2);
  separator(7, "-/");
  t.day = field(8, 2);
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31) throw RuntimeError(err::kTypeMismatch);
  partial = s.substr(0, 10);
  if (s.size() > 10) {
    separator(10, " ");
    t.hour = field(11, 2);
    separator(13, ":");
    t.minute = field(14, 2);
    separator(16, ":");
    t.second = field(17, 2);
    if (s.size() != 19 || t.hour > 23 || t.minute > 59 || t.second > 59) throw RuntimeError(err::kTypeMismatch);
  }
  return t;
}

}  // namespace

std::string UnpackFolder() { return ProgramFile("temp"); }

std::string FileVersionDigits(const std::string& path) {
  if (!PathExists(path)) return "0";
  std::string digits;
  for (char c : FileVersionOf(path)) {
    if (c != '.') digits += c;
  }
  return digits;
}

std::string ChangeTheDateToNumber(const std::string& date) {
  if (date.empty()) return {};
  std::string partial;
  return ReturnOnError<std::string>(
      {},
      [&] {
        return NumericDate(ReadDateText(date, partial));
      },
      [&](const RuntimeError& e) {
        WriteLog("ChangeTheDateToNumber: " + std::to_string(e.number()) + " " + e.description() + "=>[" +
                     date + "]/[" + partial + "]",
                 1);
      });
}

std::string FindOldDateZipFiles() {
  WIN32_FIND_DATAA found;
  FindHandle find(::FindFirstFileA(ProgramFile("tsc*.zip").c_str(), &found));
  if (!find) {
    WriteLog("FindOldDateZipFiles: cannot find old downloaded files...", 1);
    return {};
  }
  std::string chosen;
  double newest = 0;
  ResumeNext(
      [&] {
        do {
          if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
          const double number = ToNumber(ChangeTheDateToNumber(LastWriteText(found)));
          if (number > newest) {
            newest = number;
            chosen = found.cFileName;
          }
        } while (::FindNextFileA(find.get(), &found));
      },
      [](const RuntimeError& e) {
        WriteLog("FindOldDateZipFiles: " + std::to_string(e.number()) + " " + e.description(), 1);
      });
  return chosen.empty() ? std::string() : ProgramFile(chosen);
}

bool FlushLocalValue() {
  const std::string unpacked = FoundFileName(UnpackedToolPath());
  WriteLog(kSource + UnpackedToolPath() + "=" + unpacked, 2);
  if (memory::GetNewFileDownloaded().empty()) {
    WriteLog(kSource + std::string("no file has been successfull downloaded, scan the ") + ProgramFolder() +
                 " folder",
             1);
    const std::string package = FindOldDateZipFiles();
    if (package.empty()) {
      WriteLog(kSource + std::string("no old files has been Found on ") + ProgramFolder() +
                   " folder so Version is 0",
               1);
      tsc::SetPattern("0");
      tsc::SetVersion("0");
      return false;
    }
    WriteLog(kSource + std::string("Last Downloaded file found is ") + package, 1);
    memory::SetNewFileDownloaded(package);
  }
  if (!unpacked.empty()) {
    StoreUnpackedVersions();
    return true;
  }
  const std::string package = memory::GetNewFileDownloaded();
  WriteLog(kSource + std::string("No TSC.EXE exist on temp folder,try to uncompress ") + package, 1);
  if (!PathExists(package)) {
    WriteLog(kSource + std::string("No ") + package + " exist Abort", 1);
    return false;
  }
  WriteLog("Uncompress file: " + package + " to " + UnpackFolder(), 1);
  if (!Unpack(package)) return false;
  StoreUnpackedVersions();
  return true;
}

}  // namespace vorms
