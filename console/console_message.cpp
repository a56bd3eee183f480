#include "console_message.h"

#include "message_box.h"

namespace vorms::console {
namespace {
std::function<void(const std::string&)> g_sink;
}  // namespace

void ShowConsoleMessage(const std::string& text) {
  if (g_sink) {
    g_sink(text);
    return;
  }
  ShowMessage(text, MB_OK);
}

void SetMessageSinkForTesting(std::function<void(const std::string&)> sink) { g_sink = std::move(sink); }

}  // namespace vorms::console
