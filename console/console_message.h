// The console's message boxes ("Success", "Failed to connect to SMTP Server", refused
// input). Tests record them instead of waiting for a click.
#pragma once

#include <functional>
#include <string>

namespace vorms::console {

void ShowConsoleMessage(const std::string& text);

// Every message goes to sink instead of a message box; an empty sink restores them.
void SetMessageSinkForTesting(std::function<void(const std::string&)> sink);

}  // namespace vorms::console
