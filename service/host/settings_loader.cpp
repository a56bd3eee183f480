#include "settings_loader.h"

#include <string>

#include "conversions.h"
#include "errors.h"
#include "files.h"
#include "logs.h"
#include "memory_values.h"
#include "schedule.h"
#include "server_folders.h"
#include "settings.h"

namespace vorms {
namespace {

constexpr char kSource[] = "LoadValues";

void Event(const std::string& message) { WriteEvent(kSource, message); }

}  // namespace

// Each step stands alone: an error is reported as an event and the next step runs, so
// the values already set stay.
void LoadValues() {
  const ErrorReport report = EventError(kSource);
  auto step = [&](const std::function<void()>& fn) { ResumeNext(fn, report); };

  step([] { memory::SetOfficeScanRoot(GET_OFFICESCAN_HTTP_FOLDER()); });
  step([] { verifRoot(memory::GetOfficeScanRoot()); });
  step([] { Event("OfficeScan Server Root=" + memory::GetOfficeScanRoot()); });
  step([] { memory::SetFtpRoot(ftp::DefaultFolder()); });
  step([] { Event("FTP Enable= " + std::to_string(ftp::UseThis())); });
  step([] { Event("FTP Root=" + memory::GetFtpRoot()); });
  step([] {
    memory::SetLogsEnabled(logs::Enable());
    Event(std::to_string(memory::GetLogsEnabled()));
  });
  step([] {
    memory::SetFtpServer(FtpServerFromUrl(memory::GetFtpRoot()));
    Event("FTP Server=" + memory::GetFtpServer());
  });
  step([] {
    memory::SetFtpFolder(FtpFolderFromUrl(memory::GetFtpRoot()));
    Event("FTP Folder=" + memory::GetFtpFolder());
  });
  step([] { Event("FTP Proxy Name =" + ftp::Proxy()); });
  step([] { Event("FTP Proxy Port =" + std::to_string(ftp::ProxyPort())); });
  step([] { Event("HTTP Default File=" + http::DefaultFolder()); });
  step([] { Event("HTTP Proxy Name=" + http::ProxyName()); });
  step([] { Event("HTTP Proxy Port=" + std::to_string(http::ProxyPort())); });
  step([] { ScheduleSaveNewTime(); });
  step([] { memory::SetConfigFileSize(static_cast<float>(FileLength(SettingsFilePath()))); });
  step([] { Event("HTTP Enable= " + std::to_string(http::UseThis())); });
  step([] { Event("Initialize Config file to " + NumberText(memory::GetConfigFileSize())); });
}

}  // namespace vorms
