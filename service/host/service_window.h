// The service's hidden main window: it exists for the whole run, receives the events of
// the service's components, and its caption shows the countdown to the next check.
#pragma once

#include <windows.h>

#include "handles.h"

namespace vorms {

inline constexpr char kServiceWindowClass[] = "VormsServiceWindow";

class ServiceWindow {
 public:
  ServiceWindow();
  HWND get() const { return window_.get(); }

 private:
  Window window_;
};

}  // namespace vorms
