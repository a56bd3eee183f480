#include "config_setters.h"

#include <string>

#include "conversions.h"
#include "scramble.h"
#include "settings.h"

namespace vorms {
namespace {

void SetTrimmed(const SettingKey& key, std::string_view value) { SetText(key, Trim(value)); }

// -1 (true) chooses this protocol and switches the other one off; 0 and 1 are stored as
// they are, for this protocol only.
void SetProtocolChoice(const SettingKey& chosen, const SettingKey& other, int16_t value) {
  if (value == -1) {
    SetText(chosen, "1");
    SetText(other, "0");
  } else {
    SetInt(chosen, value);
  }
}

// The profile functions drop blanks around a value and one pair of quotes around it;
// quoting keeps a value that those rules would alter.
std::string QuotedWhereNeeded(const std::string& value) {
  if (value.empty()) return value;
  const char first = value.front();
  const char last = value.back();
  const bool edge_blank = first == ' ' || first == '\t' || last == ' ' || last == '\t';
  const bool quoted = value.size() >= 2 && first == last && (first == '"' || first == '\'');
  return edge_blank || quoted ? "\"" + value + "\"" : value;
}

}  // namespace

namespace ftp {
void SetDefaultFolder(std::string_view url) {
  std::string trimmed = Trim(url);
  SetText(keys::kFtpDefaultFolder, trimmed.empty() ? kDefaultFtpFolderUrl : trimmed);
}
void SetUsePassive(int16_t value) { SetInt(keys::kFtpUsePassive, value); }
void SetUseProxy(int16_t value) { SetInt(keys::kFtpUseProxy, value); }
void SetProxy(std::string_view host) { SetTrimmed(keys::kFtpProxy, host); }
void SetProxyPort(std::string_view port) { SetTrimmed(keys::kFtpProxyPort, port); }
void SetUsername(std::string_view name) {
  if (!name.empty()) SetTrimmed(keys::kFtpUsername, name);
}
void SetPassword(std::string_view clear_text) {
  if (clear_text.empty()) return;
  SetText(keys::kFtpPassword, QuotedWhereNeeded(ScrambleText(clear_text, 1, kScramble)));
}
void SetUseThis(int16_t value) { SetProtocolChoice(keys::kFtpUseThis, keys::kHttpUseThis, value); }
}  // namespace ftp

namespace http {
void SetDefaultFolder(std::string_view url) { SetTrimmed(keys::kHttpDefaultFolderConfig, url); }
void SetProxyName(std::string_view host) { SetTrimmed(keys::kHttpProxyName, host); }
void SetProxyPort(std::string_view port) { SetTrimmed(keys::kHttpProxyPort, port); }
void SetUseThis(int16_t value) { SetProtocolChoice(keys::kHttpUseThis, keys::kFtpUseThis, value); }
}  // namespace http

namespace logs {
void SetEnable(int16_t value) { SetInt(keys::kLogsEnable, value); }
}  // namespace logs

namespace smtp {
void SetSERVER(std::string_view host) { SetTrimmed(keys::kSmtpServer, host); }
void SetFrom(std::string_view address) { SetTrimmed(keys::kSmtpFrom, address); }
void SetTo(std::string_view address) { SetTrimmed(keys::kSmtpTo, address); }
void SetEnable(int16_t value) { SetInt(keys::kSmtpEnable, value); }
void SetEnableSendtheTscFile(int16_t value) { SetInt(keys::kSmtpEnableSendtheTscFile, value); }
}  // namespace smtp

namespace service {
void SetDebugMode(int16_t value) { SetInt(keys::kServiceDebugMode, value); }
}  // namespace service

}  // namespace vorms
