// Which program is running, its title, and the folder every file of the system lives in.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace vorms {

// Vorms (the service) and Config (the console) share this code; a few rules differ.
enum class Program { Vorms, Config };

void SetRunningProgram(Program program);
Program RunningProgram();
bool RunningVorms();

// Caption of every message box the program shows.
std::string ProgramTitle();

// The folder that holds the running program, without a trailing backslash. A service
// starts in the system folder, so every path is built from this, never from the
// current folder.
std::string ProgramFolder();

// ProgramFolder() + "\" + name.
std::string ProgramFile(std::string_view name);

// The running executable's file name without its extension ("vorms").
std::string ProgramName();

// The full path of a loaded module (nullptr: the running program).
std::string ModulePath(HMODULE module);

// The folder that holds a loaded module (a library's own folder).
std::string ModuleFolder(HMODULE module);

// Tests point the program folder at a fresh temporary folder; an empty text restores
// the real one.
void SetProgramFolderForTesting(std::string folder);

}  // namespace vorms
