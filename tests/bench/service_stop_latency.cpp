// Prints how long the installed service takes from a stop request to stopped, and from
// a start request to running, over a few rounds.
#include <cstdio>

#include "handles.h"
#include "test_support.h"

namespace {

using vorms::ServiceHandle;

DWORD StateOf(SC_HANDLE service) {
  SERVICE_STATUS status{};
  ::QueryServiceStatus(service, &status);
  return status.dwCurrentState;
}

double MillisecondsUntil(SC_HANDLE service, DWORD state) {
  LARGE_INTEGER frequency, start, now;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  do {
    ::Sleep(5);
    ::QueryPerformanceCounter(&now);
  } while (StateOf(service) != state && now.QuadPart - start.QuadPart < frequency.QuadPart * 30);
  return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main() {
  vorms::test::TempFolder folder("vorms-bench");
  const std::string exe = folder.File("vorms.exe");
  vorms::test::CopyFileTo(vorms::test::BuildFolder() + "\\vorms.exe", exe);
  if (vorms::test::RunProcess("\"" + exe + "\" /i").exit_code != 0) {
    std::fprintf(stderr, "cannot install the service (is another VORMS installed?)\n");
    return 1;
  }
  ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  ServiceHandle service(::OpenServiceA(manager.get(), "VORMS", SERVICE_ALL_ACCESS));
  for (int round = 1; round <= 5; ++round) {
    ::StartServiceA(service.get(), 0, nullptr);
    double started = MillisecondsUntil(service.get(), SERVICE_RUNNING);
    ::Sleep(1500);  // idle, between two ticks
    SERVICE_STATUS status;
    ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    double stopped = MillisecondsUntil(service.get(), SERVICE_STOPPED);
    std::printf("round %d: start to running %.0f ms, stop to stopped %.0f ms\n", round, started, stopped);
  }
  vorms::test::RunProcess("\"" + exe + "\" /u");
  return 0;
}
