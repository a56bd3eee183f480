#include "installed_service.h"

#include "test_support.h"

namespace vorms::test {

ServiceHandle OpenVorms() {
  ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  return ServiceHandle(::OpenServiceA(manager.get(), "VORMS", SERVICE_ALL_ACCESS));
}

DWORD VormsState() {
  SERVICE_STATUS status{};
  ServiceHandle service = OpenVorms();
  if (!service || !::QueryServiceStatus(service.get(), &status)) return 0;
  return status.dwCurrentState;
}

SERVICE_STATUS_PROCESS VormsStatus() {
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  if (!::QueryServiceStatusEx(OpenVorms().get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                              sizeof status, &needed)) {
    return {};
  }
  return status;
}

void RemoveVorms() {
  if (!OpenVorms()) return;
  SERVICE_STATUS status;
  ::ControlService(OpenVorms().get(), SERVICE_CONTROL_STOP, &status);
  WaitFor([] { return VormsState() == SERVICE_STOPPED; }, 30000);
  ::DeleteService(OpenVorms().get());
  WaitFor([] { return !OpenVorms(); });
}

bool InstallAndStartVorms(const std::string& folder) {
  const std::string program = folder + "\\vorms.exe";
  CopyFileTo(BuildFolder() + "\\vorms.exe", program);
  if (RunProcess("\"" + program + "\" /i").exit_code != 0) return false;
  if (!::StartServiceA(OpenVorms().get(), 0, nullptr)) return false;
  return WaitFor([] { return VormsState() == SERVICE_RUNNING; }, 30000);
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace vorms::test
