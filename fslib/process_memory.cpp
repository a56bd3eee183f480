#include "process_memory.h"

#include <windows.h>
#include <psapi.h>

#include <optional>
#include <vector>

#include "conversions.h"
#include "handles.h"
#include "logs.h"
#include "machine_facts.h"

namespace vorms::fslib {
namespace {

std::vector<DWORD> ProcessIds() {
  std::vector<DWORD> ids(4);
  for (;;) {
    DWORD room = static_cast<DWORD>(ids.size() * sizeof(DWORD));
    DWORD returned = 0;
    if (!::EnumProcesses(ids.data(), room, &returned)) return {};
    if (returned < room) {
      ids.resize(returned / sizeof(DWORD));
      return ids;
    }
    ids.resize(ids.size() * 2);
  }
}

// The upper-case file name, without folder, of the process's first module; nothing when
// its modules cannot be listed.
std::optional<std::string> ProgramFileName(HANDLE process) {
  HMODULE modules[50];
  DWORD needed = 0;
  if (!::EnumProcessModules(process, modules, sizeof modules, &needed) || needed == 0) {
    return std::nullopt;
  }
  char path[260];
  DWORD n = ::GetModuleFileNameExA(process, modules[0], path, sizeof path);
  std::string name(path, n);
  std::erase(name, '\0');
  name = ToUpper(Trim(name));
  return name.substr(name.find_last_of('\\') + 1);
}

std::string WorkingSetKilobytes(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!::GetProcessMemoryInfo(process, &counters, sizeof counters)) return {};
  return std::to_string(counters.WorkingSetSize / 1024);
}

}  // namespace

std::string MEMORY_GET_FROM_PROCESS(const std::string& Process) {
  const std::string name = ToUpper(Trim(Process));
  if (OperatingSystemType() != "NT") return {};
  std::string result;
  for (DWORD id : ProcessIds()) {
    Handle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
    if (!process) continue;
    if (ProgramFileName(process.get()) == name) {
      std::string kilobytes = WorkingSetKilobytes(process.get());
      if (!kilobytes.empty()) result = kilobytes;
    }
    process.reset();
    PumpPendingMessages();
  }
  return result;
}

}  // namespace vorms::fslib
