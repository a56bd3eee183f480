#include "check_cycle.h"

#include <string>

#include "check_chain.h"
#include "errors.h"
#include "files.h"
#include "logs.h"
#include "memory_values.h"
#include "schedule.h"
#include "settings.h"
#include "settings_loader.h"

namespace vorms {
namespace {

constexpr char kSource[] = "Timer1";

void RunDueCheck() {
  std::string next_run = GetScheduleTime();  // a copy: the "0" of an empty store stays here
  if (!Is_Time_Active(next_run)) return;
  WriteLog("CRONO_Timer: Is_Time_Active=[True]", 3);
  ResumeNext(ScheduleSaveNewTime);
  ResumeNext(Launch);
}

void ReloadWhenFileChanged() {
  const std::string file = SettingsFilePath();
  if (!PathExists(file)) return;
  if (static_cast<float>(FileLength(file)) == memory::GetConfigFileSize()) return;
  ResumeNext([] { WriteEvent(kSource, "Config File is changed"); });
  ResumeNext(LoadValues);
  memory::SetConfigFileSize(static_cast<float>(FileLength(file)));
}

void ReloadWhenAsked() {
  if (service::ReloadParameters() != 1) return;
  ResumeNext(LoadValues);
  service::SetReloadParameters(0);
}

void CheckWhenAsked() {
  if (service::StartActions() != 1) return;
  service::SetStartActions(0);  // first, so that a long check is not started twice
  ResumeNext([] { WriteEvent(kSource, "User has activate the Check Now function"); });
  ResumeNext(Launch);
}

}  // namespace

// Each statement of a tick stands alone: an error skips it, unreported, and the tick
// goes on.
void CRONO_Timer() {
  ResumeNext(RunDueCheck);
  ResumeNext(ReloadWhenFileChanged);
  ResumeNext(ReloadWhenAsked);
  ResumeNext(CheckWhenAsked);
}

}  // namespace vorms
