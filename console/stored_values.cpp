#include "stored_values.h"

#include "conversions.h"
#include "errors.h"
#include "logs.h"

namespace vorms::console {
namespace {

void ReportNotANumber(const SettingKey& key, const std::string& procedure, const char* shown_as) {
  std::string stored = Trim(ReadSetting(key.section, key.name, SettingsFilePath()));
  // The log switch itself may be what is unreadable: the line reaches the status box
  // before the log file is looked at, and that is enough.
  ResumeNext([&] {
    WriteLog(procedure + ": [" + key.section + "] " + key.name + "=[" + stored +
                 "] is not a number, " + shown_as,
             1);
  });
}

}  // namespace

bool SwitchOn(const SettingKey& key, const std::string& procedure) {
  try {
    return GetInt(key) == 1;
  } catch (const RuntimeError&) {
    ReportNotANumber(key, procedure, "shown as off");
    return false;
  }
}

std::string PortText(const SettingKey& key, const std::string& procedure) {
  try {
    return std::to_string(GetInt(key));
  } catch (const RuntimeError&) {
    ReportNotANumber(key, procedure, "shown as stored");
    return Trim(ReadSetting(key.section, key.name, SettingsFilePath()));
  }
}

bool IsPortText(const std::string& text) {
  std::string trimmed = Trim(text);
  if (trimmed.empty()) return true;
  for (char c : trimmed) {
    if (c < '0' || c > '9') return false;
  }
  try {
    return ToInt16(trimmed) >= 0;
  } catch (const RuntimeError&) {
    return false;
  }
}

}  // namespace vorms::console
