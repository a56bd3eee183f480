// One tick of the service's check cycle, run about once a second on the main thread.
#pragma once

namespace vorms {

void CRONO_Timer();

}  // namespace vorms
