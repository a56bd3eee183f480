#include "program.h"

#include "files.h"

namespace vorms {
namespace {

Program g_program = Program::Vorms;
std::string g_folder_override;

}  // namespace

std::string ModulePath(HMODULE module) {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD n = ::GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void SetRunningProgram(Program program) { g_program = program; }
Program RunningProgram() { return g_program; }
bool RunningVorms() { return g_program == Program::Vorms; }

std::string ProgramTitle() {
  return g_program == Program::Vorms ? "Vormsline" : "Vormsline Config";
}

std::string ProgramFolder() {
  if (!g_folder_override.empty()) return g_folder_override;
  return ModuleFolder(nullptr);
}

std::string ProgramFile(std::string_view name) {
  return ProgramFolder() + "\\" + std::string(name);
}

std::string ProgramName() {
  std::string path = ModulePath(nullptr);
  std::string file = path.substr(path.find_last_of("\\/") + 1);
  std::size_t dot = file.find_last_of('.');
  return dot == std::string::npos ? file : file.substr(0, dot);
}

std::string ModuleFolder(HMODULE module) { return FolderOf(ModulePath(module)); }

void SetProgramFolderForTesting(std::string folder) { g_folder_override = std::move(folder); }

}  // namespace vorms
