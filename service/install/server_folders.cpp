#include "server_folders.h"

#include <windows.h>

#include <string_view>
#include <vector>

#include "com_objects.h"
#include "com_text.h"
#include "errors.h"
#include "files.h"
#include "logs.h"
#include "program.h"
#include "settings.h"
#include "tavelund.h"

namespace vorms {
namespace {

constexpr LONG kLocalMachine = static_cast<LONG>(0x80000002);  // KeyRoot HKEY_LOCAL_MACHINE
constexpr char kServerRecordKey[] = "SOFTWARE\\TrendMicro\\OfficeScan\\service\\Information";
constexpr char kServerRecordValue[] = "Local_Path";
constexpr char kRootSection[] = "OFFICESCAN";
constexpr char kRootKey[] = "ProgramDirectory";

// Tavelund's ReadRegKey: the default when the key cannot be opened, empty text when the
// key exists without the value.
std::string ReadServerRecord(const std::string& when_no_key) {
  auto registries = CreateObjectByClassId<_sRegistries>(CLSID_sRegistries);
  KeyRoot root = kLocalMachine;
  Bstr path = ToBstr(kServerRecordKey);
  Bstr value = ToBstr(kServerRecordValue);
  Variant fallback = TextVariant(when_no_key);
  Bstr result;
  CheckCall(registries->ReadRegKey(&root, path.inout(), value.inout(), fallback.get(),
                                   result.receive()));
  return FromBstr(result.get());
}

std::string FindServerRoot() {
  std::string root = ReadSetting(kRootSection, kRootKey, SettingsFilePath());
  if (root.empty()) root = ReadServerRecord(ProgramFile("PCCSRV\\"));
  if (root.empty()) root = ProgramFile("PCCSRV");
  if (root.back() == '\\') root.pop_back();  // one, never more
  WriteSetting(kRootSection, kRootKey, root, SettingsFilePath());
  return root;
}

void ReportRootError(const RuntimeError& e) {
  WriteEvent("GET_OFFICESCAN_HTTP_FOLDER: Error " + std::to_string(e.number()) + " " +
                 e.description(),
             "2");
}

// The texts between backslashes; empty ones stay.
std::vector<std::string> Components(std::string_view path) {
  std::vector<std::string> parts;
  for (;;) {
    std::size_t slash = path.find('\\');
    parts.emplace_back(path.substr(0, slash));
    if (slash == std::string_view::npos) return parts;
    path.remove_prefix(slash + 1);
  }
}

bool IsDrivePath(std::string_view path) {
  return path.size() >= 3 && path[1] == ':' && path[2] == '\\' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

void CreateMissingLevels(const std::string& path) {
  // A UNC path or one without a drive would be walked from the wrong place: refuse it.
  if (!IsDrivePath(path)) {
    throw RuntimeError(err::kFolderCheck,
                       "VerifRoot: Only paths that begin with a drive letter, a colon and a "
                       "backslash are supported [" + path + "]");
  }
  std::vector<std::string> parts = Components(path);
  std::string running = parts.front();  // "C:"
  for (std::size_t i = 1; i < parts.size(); ++i) {
    if (parts[i].find('.') != std::string::npos) continue;  // a file name
    running += "\\" + parts[i];
    if (PathExists(running)) continue;
    if (!::CreateDirectoryA(running.c_str(), nullptr)) RaiseFileError(::GetLastError());
  }
}

}  // namespace

std::string GET_OFFICESCAN_HTTP_FOLDER() {
  return ReturnOnError<std::string>({}, FindServerRoot, ReportRootError);
}

void verifRoot(const std::string& path) {
  ResumeNext(
      [&] {
        if (path.find('\\') == std::string::npos) {
          throw RuntimeError(err::kFolderCheck, "VerifRoot: There is no path sended to this function");
        }
        WriteLog("VerifRoot: Testing Folder [" + path + "]", 1);
        CreateMissingLevels(path);
      },
      LogError("verifRoot: Error "));
}

}  // namespace vorms
