#include "settings.h"

#include <windows.h>

#include "conversions.h"
#include "errors.h"
#include "logs.h"
#include "program.h"
#include "scramble.h"

namespace vorms {

std::string SettingsFilePath() { return ProgramFile("plomenk.ini"); }

std::string ReadSetting(std::string_view section, std::string_view key, const std::string& file) {
  char buffer[255];
  DWORD n = ::GetPrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(), "",
                                       buffer, sizeof buffer, file.c_str());
  return std::string(buffer, n);
}

bool WriteSetting(std::string_view section, std::string_view key, std::string_view value,
                  const std::string& file) {
  return ::WritePrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(),
                                     std::string(value).c_str(), file.c_str()) != FALSE;
}

std::string GetText(const SettingKey& key) {
  std::string value = ReadSetting(key.section, key.name, SettingsFilePath());
  if (value.empty()) {
    if (key.write_back) SetText(key, key.fallback);
    return key.fallback;
  }
  return key.trim ? Trim(value) : value;
}

int16_t GetInt(const SettingKey& key) { return ToInt16(GetText(key)); }

bool SetText(const SettingKey& key, std::string_view value) {
  return WriteSetting(key.section, key.name, value, SettingsFilePath());
}

bool SetInt(const SettingKey& key, int16_t value) { return SetText(key, std::to_string(value)); }

namespace ftp {
std::string DefaultFolder() { return GetText(keys::kFtpDefaultFolder); }
int16_t UsePassive() { return GetInt(keys::kFtpUsePassive); }
int16_t UseProxy() { return GetInt(keys::kFtpUseProxy); }
std::string Proxy() { return GetText(keys::kFtpProxy); }
int16_t ProxyPort() { return GetInt(keys::kFtpProxyPort); }
std::string Username() { return GetText(keys::kFtpUsername); }
std::string Password() { return ScrambleText(GetText(keys::kFtpPassword), 1, kDescramble); }
int16_t UseThis() { return GetInt(keys::kFtpUseThis); }
}  // namespace ftp

namespace http {
std::string DefaultFolder() {
  return GetText(RunningVorms() ? keys::kHttpDefaultFolderVorms : keys::kHttpDefaultFolderConfig);
}
std::string DefaultFileToGet() { return GetText(keys::kHttpDefaultFileToGet); }
std::string ProxyName() { return GetText(keys::kHttpProxyName); }
int16_t ProxyPort() { return GetInt(keys::kHttpProxyPort); }
int16_t UseThis() { return GetInt(keys::kHttpUseThis); }
}  // namespace http

namespace logs {
int16_t Enable() { return GetInt(keys::kLogsEnable); }
}  // namespace logs

namespace tsc {
std::string LatestDate() { return GetText(keys::kTscLatestDate); }
std::string Pattern() { return GetText(keys::kTscPattern); }
std::string Version() { return GetText(keys::kTscVersion); }
void SetLatestDate(std::string_view value) { SetText(keys::kTscLatestDate, value); }
void SetPattern(std::string_view value) { SetText(keys::kTscPattern, value); }
void SetVersion(std::string_view value) { SetText(keys::kTscVersion, value); }
}  // namespace tsc

namespace smtp {
std::string SERVER() { return GetText(keys::kSmtpServer); }
std::string From() { return GetText(keys::kSmtpFrom); }
std::string To() { return GetText(keys::kSmtpTo); }
int16_t Enable() { return GetInt(keys::kSmtpEnable); }
int16_t EnableSendtheTscFile() { return GetInt(keys::kSmtpEnableSendtheTscFile); }
}  // namespace smtp

namespace service {
int16_t DebugMode() { return GetInt(keys::kServiceDebugMode); }
int16_t ReloadParameters() { return GetInt(keys::kServiceReloadParameters); }
int16_t StartActions() { return GetInt(keys::kServiceStartActions); }
bool SetReloadParameters(int16_t value) { return SetInt(keys::kServiceReloadParameters, value); }
bool SetStartActions(int16_t value) { return SetInt(keys::kServiceStartActions, value); }
}  // namespace service

int16_t GET_DEBUG_MODE() {
  return ReturnOnError<int16_t>(1, [] { return service::DebugMode(); },
                                [](const RuntimeError& e) {
                                  if (!RunningVorms()) return;
                                  WriteEvent("GET_DEBUG_MODE: Error " + std::to_string(e.number()) +
                                                 " " + e.description(),
                                             "2");
                                });
}

}  // namespace vorms
