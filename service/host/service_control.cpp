#include "service_control.h"

#include <mutex>

#include "check_cycle.h"
#include "handles.h"
#include "message_box.h"

namespace vorms {
namespace {

constexpr DWORD kAcceptStopAndShutdown = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN;
constexpr UINT kInformationBox = MB_ICONINFORMATION | MB_SETFOREGROUND;
constexpr char kInstanceMutex[] = "Global\\VORMS.RunService";
// While a stop waits for a running check to end, the entry point's thread moves the
// check point on every second; the manager takes a service whose check point stands
// still past the wait hint for hung.
constexpr DWORD kStopWaitHint = 5000;
constexpr DWORD kCheckPointPeriod = 1000;

// Shared by the main thread, the dispatcher thread and the entry point's thread. The
// events are set in a fixed order (start, stop, stop-done); the status record takes a
// lock, since the stop-pending progress is reported from another thread.
struct ServiceProcess {
  std::mutex status_lock;
  SERVICE_STATUS status{};
  SERVICE_STATUS_HANDLE status_handle = nullptr;
  ServiceEvents events;
};

ServiceProcess g_service;
char g_service_name[] = "VORMS";

Handle NewManualResetEvent() { return Handle(::CreateEventA(nullptr, TRUE, FALSE, nullptr)); }

// Holds the instance mutex while the service runs; empty when another instance has it.
bool ClaimSingleInstance(Handle& mutex) {
  mutex.reset(::CreateMutexA(nullptr, FALSE, kInstanceMutex));
  return !(mutex && ::GetLastError() == ERROR_ALREADY_EXISTS);
}

DWORD WINAPI DispatcherThread(void*) {
  SERVICE_TABLE_ENTRYA table[] = {{g_service_name, ServiceMain}, {nullptr, nullptr}};
  ::StartServiceCtrlDispatcherA(table);
  return 0;
}

void RunMainLoop(HANDLE dispatcher) {
  ReportServiceState(SERVICE_RUNNING);
  do {
    CRONO_Timer();
  } while (::WaitForSingleObject(g_service.events.stop, 1000) == WAIT_TIMEOUT);
  ReportServiceState(SERVICE_STOPPED);
  ::SetEvent(g_service.events.stop_done);
  ::WaitForSingleObject(dispatcher, INFINITE);
}

// The stop-pending progress: once more the same state, one check point further.
void ReportStopProgress() {
  std::lock_guard<std::mutex> lock(g_service.status_lock);
  if (g_service.status.dwCurrentState != SERVICE_STOP_PENDING) return;
  ++g_service.status.dwCheckPoint;
  ::SetServiceStatus(g_service.status_handle, &g_service.status);
}

}  // namespace

void ReportServiceState(DWORD state) {
  std::lock_guard<std::mutex> lock(g_service.status_lock);
  SERVICE_STATUS& status = g_service.status;
  if (state != 0 && state != status.dwCurrentState) {
    status.dwCurrentState = state;
    const bool stopping = state == SERVICE_STOP_PENDING;
    status.dwCheckPoint = stopping ? 1 : 0;
    status.dwWaitHint = stopping ? kStopWaitHint : 0;
  }
  ::SetServiceStatus(g_service.status_handle, &status);
}

DWORD CurrentServiceState() {
  std::lock_guard<std::mutex> lock(g_service.status_lock);
  return g_service.status.dwCurrentState;
}

SERVICE_STATUS CurrentServiceStatus() {
  std::lock_guard<std::mutex> lock(g_service.status_lock);
  return g_service.status;
}


void UseServiceEvents(const ServiceEvents& events) {
  g_service.events = events;
  SetStopEvent(events.stop);
}

void WINAPI ServiceMain(DWORD, LPSTR*) {
  {
    std::lock_guard<std::mutex> lock(g_service.status_lock);
    g_service.status = SERVICE_STATUS{};
    g_service.status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    g_service.status.dwControlsAccepted = kAcceptStopAndShutdown;
    g_service.status_handle = ::RegisterServiceCtrlHandlerA(g_service_name, ServiceControlHandler);
  }
  ReportServiceState(SERVICE_START_PENDING);
  ::SetEvent(g_service.events.start);
  while (::WaitForSingleObject(g_service.events.stop_done, kCheckPointPeriod) == WAIT_TIMEOUT) {
    ReportStopProgress();
  }
}

void WINAPI ServiceControlHandler(DWORD control) {
  if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
    ReportServiceState(SERVICE_STOP_PENDING);
    ::SetEvent(g_service.events.stop);
  } else {
    ReportServiceState(0);
  }
}

bool IsWindowsNT() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;  // 148 bytes
  ::GetVersionExA(&info);
  return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

void RunService() {
  Handle instance;
  if (!ClaimSingleInstance(instance)) return;
  const bool nt = IsWindowsNT();
  Handle stop_done = NewManualResetEvent();
  Handle stop = NewManualResetEvent();
  Handle start = NewManualResetEvent();
  UseServiceEvents({start.get(), stop.get(), stop_done.get()});

  if (!nt) {
    ShowMessage("This program is only for Windows NT/2000/XP.", kInformationBox);
  } else {
    Handle dispatcher(::CreateThread(nullptr, 0, DispatcherThread, nullptr, 0, nullptr));
    HANDLE first[] = {dispatcher.get(), start.get()};
    if (::WaitForMultipleObjects(2, first, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
      RunMainLoop(dispatcher.get());
    } else {
      dispatcher.reset();
      ShowMessage("This program must be started as a service.", kInformationBox);
    }
  }
  UseServiceEvents({});
}

}  // namespace vorms
