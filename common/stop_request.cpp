#include "stop_request.h"

#include <atomic>

namespace vorms {
namespace {

// Set by the main thread while the transfer threads read it.
std::atomic<HANDLE> g_stop_event{nullptr};

}  // namespace

void SetStopEvent(HANDLE event) { g_stop_event = event; }

HANDLE StopEvent() { return g_stop_event; }

bool StopRequested() {
  HANDLE stop = StopEvent();
  return stop != nullptr && ::WaitForSingleObject(stop, 0) == WAIT_OBJECT_0;
}

}  // namespace vorms
