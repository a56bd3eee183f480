// The service's stop request as every long piece of work sees it: a transfer, a mail
// session or a child process waits on this event too, so that a stop ends it at once.
#pragma once

#include <windows.h>

namespace vorms {

// The service host hands its stop event over while the service runs; null: none.
void SetStopEvent(HANDLE event);

// Null when no stop can be asked for (a console run, a test without one).
HANDLE StopEvent();
bool StopRequested();

}  // namespace vorms
