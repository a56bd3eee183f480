// How Vorms starts: "/i" installs the service, "/u" removes it, anything else runs it.
#pragma once

#include <string>

namespace vorms {

enum class CommandMode { Install, Remove, Run };

// "/i" and "/u", compared exactly, select installing and removing; any other text,
// none included, runs the service.
CommandMode CommandModeOf(const std::string& argument_text);

// The start-up routine; returns the process exit code (0, or the failing system error
// code of an install or removal).
int StartUp(const std::string& argument_text);

// 0 on success, otherwise the system error code of the call that failed.
unsigned long InstallService();
unsigned long RemoveService();

// The whole argument text of a command line: what follows the program name.
std::string ArgumentText(const char* command_line);

// The path the service is registered with: program folder + "\vorms.exe", in quotes
// when it holds a blank.
std::string ServiceBinaryPath();

}  // namespace vorms
