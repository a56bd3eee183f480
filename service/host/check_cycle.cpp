#include "check_cycle.h"

#include <string>

#include "errors.h"
#include "logs.h"
#include "schedule.h"

namespace vorms {

void CRONO_Timer() {
  // Each statement of a tick stands alone: an error skips it and the tick goes on.
  ResumeNext([] {
    std::string next_run = GetScheduleTime();
    if (!Is_Time_Active(next_run)) return;
    WriteLog("CRONO_Timer: Is_Time_Active=[True]", 3);
    ScheduleSaveNewTime();
  });
}

}  // namespace vorms
