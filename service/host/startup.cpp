#include "startup.h"

#include <windows.h>

#include "errors.h"
#include "handles.h"
#include "logs.h"
#include "memory_values.h"
#include "message_box.h"
#include "program.h"
#include "service_control.h"
#include "settings.h"
#include "settings_loader.h"

namespace vorms {
namespace {

constexpr char kDisplayName[] = "Vormsline";
constexpr char kSource[] = "Loading";

int RunRemoveMode() {
  unsigned long result = RemoveService();
  if (result == 0) {
    ShowMessage("Success uninstall the service ");
  } else {
    ShowMessage("Failed uninstall the Service with error " + std::to_string(result));
  }
  return static_cast<int>(result);
}

int RunInstallMode() {
  unsigned long result = InstallService();
  if (result != 0) {
    ShowMessage("Failed install the Service with error " + std::to_string(result));
  } else {
    ResumeNext([] { WriteEvent(kSource, "Install NT service return error code0"); },
               EventError(kSource));
    ShowMessage("Success install the Service, You can start it now");
  }
  return static_cast<int>(result);
}

void RunServiceMode() {
  const ErrorReport report = EventError(kSource);
  ResumeNext([] { memory::SetDebugOn(GET_DEBUG_MODE()); }, report);
  ResumeNext([] { WriteEvent(kSource, "Initialize..."); }, report);
  ResumeNext([] { WriteLog("Loading: Invoking Start Service function", 2); }, report);
  ResumeNext(LoadValues, report);
  ResumeNext([] { RunService(); }, report);
}

}  // namespace

std::string ArgumentText(const char* command_line) {
  std::string_view text = command_line ? command_line : "";
  if (!text.empty() && text.front() == '"') {
    std::size_t close = text.find('"', 1);
    text.remove_prefix(close == std::string_view::npos ? text.size() : close + 1);
  } else {
    std::size_t blank = text.find_first_of(" \t");
    text.remove_prefix(blank == std::string_view::npos ? text.size() : blank);
  }
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return std::string(text);
}

std::string ServiceBinaryPath() {
  std::string path = ProgramFile("vorms.exe");
  return path.find(' ') == std::string::npos ? path : "\"" + path + "\"";
}

unsigned long InstallService() {
  ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
  if (!manager) return ::GetLastError();
  const std::string path = ServiceBinaryPath();
  ServiceHandle service(::CreateServiceA(manager.get(), kServiceName, kDisplayName, SERVICE_ALL_ACCESS,
                                         SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                                         SERVICE_ERROR_NORMAL, path.c_str(), nullptr, nullptr,
                                         nullptr, "LocalSystem", nullptr));
  return service ? 0 : ::GetLastError();
}

unsigned long RemoveService() {
  ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return ::GetLastError();
  ServiceHandle service(::OpenServiceA(manager.get(), kServiceName, SERVICE_ALL_ACCESS));
  if (!service) return ::GetLastError();
  SERVICE_STATUS status;
  ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status);  // refused when not running
  return ::DeleteService(service.get()) ? 0 : ::GetLastError();
}

CommandMode CommandModeOf(const std::string& argument_text) {
  if (argument_text == "/u") return CommandMode::Remove;
  if (argument_text == "/i") return CommandMode::Install;
  return CommandMode::Run;
}

int StartUp(const std::string& argument_text) {
  ResumeNext([&] { WriteEvent(kSource, "Command mode is [" + argument_text + "]"); },
             EventError(kSource));
  switch (CommandModeOf(argument_text)) {
    case CommandMode::Remove: return RunRemoveMode();
    case CommandMode::Install: return RunInstallMode();
    case CommandMode::Run: break;
  }
  RunServiceMode();
  return 0;
}

}  // namespace vorms
