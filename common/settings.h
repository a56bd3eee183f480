// The settings file plomenk.ini, shared by Vorms and Config: raw access through the
// profile functions, and one getter per key with its default, write-back and trim rule.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ftp_url.h"

namespace vorms {

// Program folder + "\plomenk.ini".
std::string SettingsFilePath();

// One value as text, "" when the key is missing; at most 254 characters come back.
std::string ReadSetting(std::string_view section, std::string_view key, const std::string& file);
// Writes one value, creating the file and the section when missing; false when the file
// did not take it (read-only, no room).
bool WriteSetting(std::string_view section, std::string_view key, std::string_view value,
                  const std::string& file);

// Default URLs of the vendor's download area.
inline constexpr char kDefaultFtpFolderUrl[] = "ftp://ftp.trendmicro.com/products/tsc";
inline constexpr char kDefaultReleasePageUrlVorms[] = "http://www.trendmicro.com/download/tsc.asp";
inline constexpr char kDefaultReleasePageUrlConfig[] =
    "http://www.trendmicro.com/ftp/products/tsc/releasenotes.htm";
inline constexpr char kDefaultPackageUrl[] = "http://www.trendmicro.com/ftp/products/tsc/tsc.zip";

// One key of the file: where it lives, what a missing or empty value gives, whether
// that default is written back, and whether a value read is trimmed.
struct SettingKey {
  const char* section;
  const char* name;
  const char* fallback;
  bool write_back;
  bool trim;
};

namespace keys {
inline constexpr SettingKey kFtpDefaultFolder{"FTP", "DefaultFolder", kDefaultFtpFolderUrl, true, false};
inline constexpr SettingKey kFtpUsePassive{"FTP", "UsePassive", "0", true, true};
inline constexpr SettingKey kFtpUseProxy{"FTP", "UseProxy", "0", true, true};
inline constexpr SettingKey kFtpProxy{"FTP", "Proxy", "", true, true};
inline constexpr SettingKey kFtpProxyPort{"FTP", "ProxyPort", "0", true, true};
inline constexpr SettingKey kFtpUsername{"FTP", "Username", "", true, true};
// Not trimmed: the profile functions already drop blanks around a plain value, and a
// quoted value keeps them on purpose (a scrambled password may begin or end with one).
inline constexpr SettingKey kFtpPassword{"FTP", "Password", "", true, false};
inline constexpr SettingKey kFtpUseThis{"FTP", "UseThis", "1", false, false};
inline constexpr SettingKey kHttpDefaultFolderVorms{"HTTP", "DefaultFolder", kDefaultReleasePageUrlVorms, true, false};
inline constexpr SettingKey kHttpDefaultFolderConfig{"HTTP", "DefaultFolder", kDefaultReleasePageUrlConfig, true, false};
inline constexpr SettingKey kHttpDefaultFileToGet{"HTTP", "DefaultFileToGet", kDefaultPackageUrl, true, false};
inline constexpr SettingKey kHttpProxyName{"HTTP", "ProxyName", "", true, true};
inline constexpr SettingKey kHttpProxyPort{"HTTP", "ProxyPort", "8080", true, true};
inline constexpr SettingKey kHttpUseThis{"HTTP", "UseThis", "0", false, false};
inline constexpr SettingKey kLogsEnable{"LOGS", "Enable", "0", true, true};
inline constexpr SettingKey kTscLatestDate{"TSC", "LatestDate", "0", false, false};
inline constexpr SettingKey kTscPattern{"TSC", "Pattern", "0", true, true};
inline constexpr SettingKey kTscVersion{"TSC", "Version", "0", true, true};
inline constexpr SettingKey kSmtpServer{"SMTP", "SERVER", "", true, true};
inline constexpr SettingKey kSmtpFrom{"SMTP", "From", "", true, true};
inline constexpr SettingKey kSmtpTo{"SMTP", "To", "", true, true};
inline constexpr SettingKey kSmtpEnable{"SMTP", "Enable", "0", true, true};
inline constexpr SettingKey kSmtpEnableSendtheTscFile{"SMTP", "EnableSendtheTscFile", "0", true, true};
inline constexpr SettingKey kServiceDebugMode{"Service", "DebugMode", "0", true, true};
inline constexpr SettingKey kServiceReloadParameters{"Service", "ReloadParameters", "0", true, true};
inline constexpr SettingKey kServiceStartActions{"Service", "StartActions", "0", true, true};
inline constexpr SettingKey kScheduleTimeExecute{"SERVICE", "ScheduleTimeExecute", "", false, false};
inline constexpr SettingKey kSchedulePoolMinutes{"SERVICE", "SchedulePoolMinutes", "60", true, false};
}  // namespace keys

// The getter rule: the value, trimmed when the key says so; or, when it is missing or
// empty, the key's default (written back when the key says so).
std::string GetText(const SettingKey& key);
// The same, read as a 16-bit integer (raises 13 or 6).
int16_t GetInt(const SettingKey& key);
bool SetText(const SettingKey& key, std::string_view value);
bool SetInt(const SettingKey& key, int16_t value);

// Getters: a missing or empty key gives its default (written back into the file for
// most keys); integer keys raise 13 or 6 when the text is not a 16-bit number.
namespace ftp {
std::string DefaultFolder();
int16_t UsePassive();
int16_t UseProxy();
std::string Proxy();
int16_t ProxyPort();
std::string Username();
std::string Password();  // descrambled
int16_t UseThis();
}  // namespace ftp

namespace http {
std::string DefaultFolder();  // the release page; its default differs between the programs
std::string DefaultFileToGet();
std::string ProxyName();
int16_t ProxyPort();
int16_t UseThis();
}  // namespace http

namespace logs {
int16_t Enable();
}  // namespace logs

namespace tsc {
std::string LatestDate();
std::string Pattern();
std::string Version();
void SetLatestDate(std::string_view value);
void SetPattern(std::string_view value);
void SetVersion(std::string_view value);
}  // namespace tsc

namespace smtp {
std::string SERVER();
std::string From();
std::string To();
int16_t Enable();
int16_t EnableSendtheTscFile();
}  // namespace smtp

namespace service {
int16_t DebugMode();
int16_t ReloadParameters();
int16_t StartActions();
bool SetReloadParameters(int16_t value);  // false when the file did not take it
bool SetStartActions(int16_t value);
}  // namespace service

// The debug switch with its own trap: any error gives 1 (debug on); Vorms also writes
// the event line "GET_DEBUG_MODE: Error <n> <description>: 2".
int16_t GET_DEBUG_MODE();

}  // namespace vorms
