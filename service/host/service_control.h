// The service process: the control dispatcher on a second thread, the status reports,
// and the main loop that runs one check-cycle tick a second on the main thread.
#pragma once

#include <windows.h>

#include "stop_request.h"  // the stop event the host hands to long work

namespace vorms {

inline constexpr char kServiceName[] = "VORMS";

// Runs the service until the service manager stops it. Returns at once, after its
// message, when the process was not started by the service manager; returns silently
// when another instance is already running.
void RunService();

// Stores state (unless 0) as the current state and reports the status record.
void ReportServiceState(DWORD state);
DWORD CurrentServiceState();
SERVICE_STATUS CurrentServiceStatus();


// The events that the entry point and the control handler signal; RunService makes them.
struct ServiceEvents {
  HANDLE start = nullptr;      // the entry point has registered its handler
  HANDLE stop = nullptr;       // stop or shutdown was asked for
  HANDLE stop_done = nullptr;  // the main loop has reported stopped
};
void UseServiceEvents(const ServiceEvents& events);

void WINAPI ServiceMain(DWORD argc, LPSTR* argv);
void WINAPI ServiceControlHandler(DWORD control);

bool IsWindowsNT();

}  // namespace vorms
