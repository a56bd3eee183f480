#include "machine_facts.h"

#include <windows.h>

#include "conversions.h"
#include "handles.h"

namespace vorms::fslib {

std::string PatternFolderVersion(const std::string& MyRoot) {
  std::string greatest;
  WIN32_FIND_DATAA entry;
  FindHandle find(::FindFirstFileA((MyRoot + "\\lpt$vpn.*").c_str(), &entry));
  if (!find) return "0";
  do {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    std::string name = entry.cFileName;
    std::string number = name.substr(name.size() < 3 ? 0 : name.size() - 3);
    if (greatest.empty() || CompareText(number, greatest) > 0) greatest = number;
  } while (::FindNextFileA(find.get(), &entry));
  return greatest.empty() ? "0" : greatest;
}

std::string OperatingSystemType() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  bool nt = ::GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
  return nt ? "NT" : "9x";
}

std::string MEMORY_GET_FROM_OS() {
  // The extended form: in a 32-bit build the plain one saturates above 4 GB.
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!::GlobalMemoryStatusEx(&status)) return "0";
  return std::to_string(status.ullTotalPhys / 1024);
}

bool IsFrenchLanguageId(const std::string& language_id) {
  for (const char* french : {"040c", "080c", "0c0c", "100c", "140c"}) {
    if (language_id == french) return true;
  }
  return false;
}

bool OperatingSystem_IFitIsFrench() {
  char language[5] = {};
  if (::GetLocaleInfoA(0, LOCALE_ILANGUAGE, language, sizeof language) == 0) return false;
  return IsFrenchLanguageId(std::string(language).substr(0, 4));
}

std::string GET_SYSTEM32_FOLDER() {
  char folder[512];
  UINT n = ::GetSystemDirectoryA(folder, sizeof folder);
  if (n == 0 || n >= sizeof folder) return {};
  return std::string(folder, n);
}

}  // namespace vorms::fslib
