// The VORMS service installed under Wine's service manager, as the installed-service
// tests drive it: open, query, install from a program folder, start and remove.
#pragma once

#include <windows.h>

#include <string>

#include "handles.h"

namespace vorms::test {

ServiceHandle OpenVorms();        // null when not installed
DWORD VormsState();               // 0 when not installed
SERVICE_STATUS_PROCESS VormsStatus();  // all zeros when not installed
// Stops and deletes it, waiting for both; nothing when not installed.
void RemoveVorms();
// "vorms.exe /i" from the folder (vorms.exe copied there first), then a start; true once
// the service manager reports it running.
bool InstallAndStartVorms(const std::string& folder);

// How often a log line occurs in a log's text.
std::size_t Count(const std::string& text, const std::string& what);

}  // namespace vorms::test
