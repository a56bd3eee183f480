// How the console reads stored numbers for display: a value that is not a number never
// ends a handler and is never written back silently changed; the status box says which
// key holds what.
#pragma once

#include <string>

#include "settings.h"

namespace vorms::console {

// A switch is on only when it reads 1; a value that is not a number is shown as off.
bool SwitchOn(const SettingKey& key, const std::string& procedure);

// A port as decimal text; a value that is not a number is shown as it is stored.
std::string PortText(const SettingKey& key, const std::string& procedure);

// Whether a typed port may be stored: empty (the default then applies) or a whole
// number from 0 to 32767, the range the service reads ports in.
bool IsPortText(const std::string& text);

}  // namespace vorms::console
