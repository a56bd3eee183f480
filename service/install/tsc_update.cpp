#include "tsc_update.h"

#include <windows.h>

#include <vector>

#include "conversions.h"
#include "errors.h"
#include "file_system_calls.h"
#include "files.h"
#include "logs.h"
#include "memory_values.h"
#include "package_store.h"
#include "server_folders.h"
#include "settings.h"
#include "version_probe.h"

namespace vorms {
namespace {

constexpr char kDecision[] = "IsIsUpdateOfficescan: ";
constexpr char kNewSuffix[] = ".vorms-new";

std::string Admin(const std::string& name) { return memory::GetOfficeScanRoot() + "\\ADMIN\\" + name; }
std::string Unpacked(const std::string& name) { return UnpackFolder() + "\\" + name; }

std::string OrZero(std::string text) { return text.empty() ? "0" : text; }

bool Greater(const std::string& a, const std::string& b) { return CompareText(a, b) > 0; }

// An overflow is logged and the decision goes on; any other error ends it.
void OverflowResumes(const std::function<void()>& statement) {
  try {
    statement();
  } catch (const RuntimeError& e) {
    if (e.number() != err::kOverflow) throw;
    WriteLog(std::string(kDecision) + "Buffer over !!..But continue processing..", 1);
  }
}

bool Decide() {
  bool flushed = false;
  OverflowResumes([&] { flushed = FlushLocalValue(); });
  if (!flushed) return false;
  WriteLog(std::string(kDecision) + "Testing OfficeScan/VORMS versions", 1);
  OverflowResumes([] { verifRoot(memory::GetOfficeScanRoot() + "\\ADMIN"); });
  OverflowResumes([] { verifRoot(memory::GetOfficeScanRoot() + "\\Download"); });
  WriteLog(std::string(kDecision) + "All path are verified", 2);
  std::string mine;
  OverflowResumes([&] { mine = tsc::Version() + tsc::Pattern(); });
  WriteLog(std::string(kDecision) + "FinalMyVersion=[" + mine + "]", 2);
  const std::string installed = Admin("tsc.exe");
  const std::string found = FoundFileName(installed);
  WriteLog(kDecision + installed + "=[" + found + "]", 2);
  if (found.empty()) {
    WriteLog(std::string(kDecision) + "OK, Ready to Update", 2);
    return true;
  }
  WriteLog(std::string(kDecision) + "Ok heh ! is IsIsUpdateOfficescan=False, look the pattern File and version !", 2);
  std::string server;
  OverflowResumes([&] { server = FileVersionDigits(installed) + GET_TSC_PATTERN_VERSION_FROM_DOS(installed); });
  WriteLog(std::string(kDecision) + "OfficScan Version=[" + server + "]", 1);
  WriteLog(std::string(kDecision) + "VORMS Version=[" + mine + "]", 1);
  return CompareText(server, mine) < 0;
}

struct Replacement {
  std::string from, to;
};

void RefuseReadOnly(const std::string& target) {
  const DWORD attributes = ::GetFileAttributesA(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    throw RuntimeError(err::kPermissionDenied);
  }
}

std::string Beside(const std::string& target) { return target + kNewSuffix; }

void Stage(const Replacement& file) {
  if (!::CopyFileA(file.from.c_str(), Beside(file.to).c_str(), FALSE)) RaiseFileError(::GetLastError());
}

void PutInPlace(const Replacement& file) {
  if (!::MoveFileExA(Beside(file.to).c_str(), file.to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    RaiseFileError(::GetLastError());
  }
}

// Every new file is written whole beside its target before any target is replaced, and
// each is then put in place in one step: an error, or the service ended mid-way, leaves
// each installed file old or new and whole, and no copy cut short beside it.
void InstallFiles(const std::vector<Replacement>& files) {
  for (const Replacement& file : files) RefuseReadOnly(file.to);
  try {
    for (const Replacement& file : files) Stage(file);
    for (const Replacement& file : files) PutInPlace(file);
  } catch (const RuntimeError&) {
    for (const Replacement& file : files) ::DeleteFileA(Beside(file.to).c_str());
    throw;
  }
}

// A missing file is skipped and the next statement runs; other errors end the update.
void SkipMissingFile(const std::function<void()>& statement) {
  try {
    statement();
  } catch (const RuntimeError& e) {
    if (e.number() != err::kFileNotFound) throw;
  }
}

std::string SizeText(const std::string& path) {
  return PathExists(path) ? std::to_string(FileLength(path)) : std::string();
}

bool Update() {
  std::string downloaded = "0", installed = "0";
  SkipMissingFile([&] {
    memory::SetTempToolVersion(OrZero(FileVersionOf(Unpacked("tsc.exe"))));
    downloaded = memory::GetTempToolVersion();
  });
  SkipMissingFile([&] { installed = OrZero(FileVersionOf(Admin("tsc.exe"))); });
  std::vector<Replacement> files;
  if (Greater(downloaded, installed) && PathExists(Unpacked("tsc.exe"))) {
    WriteLog("UpdateTSC: Update TSC.EXE File", 1);
    files.push_back({Unpacked("tsc.exe"), Admin("tsc.exe")});
  }
  const std::string new_size = OrZero(SizeText(Unpacked("tsc.ptn")));
  const std::string old_size = OrZero(SizeText(Admin("tsc.ptn")));
  if (Greater(new_size, old_size)) files.push_back({Unpacked("tsc.ptn"), Admin("tsc.ptn")});
  InstallFiles(files);
  return true;
}

}  // namespace

bool IsIsUpdateOfficescan() { return ReturnOnError(false, Decide, LogError(std::string(kDecision) + "Error ")); }

bool UpdateTSC() {
  return ReturnOnError(false, Update, [](const RuntimeError& e) {
    const std::string report =
        "UpdateTSC: Error Updating your serveur : " + std::to_string(e.number()) + " " + e.description();
    memory::SetUpdateReport(report);
    WriteLog(report, 1);
  });
}

bool ApplyTmTouch() {
  std::string date;
  if (ChangeFileDateToNow(Admin("tsc.exe"), date)) {
    WriteLog("ApplyTmTouch: successfull Change TSC.EXE to " + date, 1);
  }
  if (!ChangeFileDateToNow(Admin("tsc.ptn"), date)) return false;
  WriteLog("ApplyTmTouch: successfull Change TSC.PTN to " + date, 1);
  return true;
}

}  // namespace vorms
