#include "service_window.h"

#include <string>

namespace vorms {
namespace {

ATOM RegisterWindowClass() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = ::DefWindowProcA;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.lpszClassName = kServiceWindowClass;
  return ::RegisterClassA(&wc);
}

}  // namespace

ServiceWindow::ServiceWindow() {
  static const ATOM kClass = RegisterWindowClass();
  (void)kClass;
  const std::string caption =
      "VORMS " + std::to_string(VORMS_VERSION_MAJOR) + "." + std::to_string(VORMS_VERSION_MINOR);
  // Never shown, so a message-only window: it needs no display, which a service lacks.
  window_.reset(::CreateWindowExA(0, kServiceWindowClass, caption.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, ::GetModuleHandleA(nullptr), nullptr));
}

}  // namespace vorms
