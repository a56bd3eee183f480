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

// A console request whose flag the file will not take back (a read-only file): served
// once, then held until the flag reads 0 again, so that it is not served on every tick.
struct HeldRequest {
  int16_t (*flag)();
  bool (*set_flag)(int16_t);
  bool (*held)();
  void (*set_held)(const bool&);
  const char* name;

  // Whether the flag asks for the request now; a held flag is only written back again.
  bool Asked() {
    if (flag() != 1) {
      set_held(false);
      return false;
    }
    if (!held()) return true;
    if (set_flag(0)) set_held(false);  // taken back at last: the request was served
    return false;
  }
  // Writes the flag back to 0; reports, once, a file that keeps it at 1.
  void Clear() {
    if (set_flag(0)) return;
    set_held(true);
    WriteEvent(kSource, std::string("The settings file cannot be written: ") + name +
                            " stays 1 and is served once, until the file can be written");
  }
};

HeldRequest g_reload{service::ReloadParameters, service::SetReloadParameters, memory::GetReloadHeld,
                     memory::SetReloadHeld, "ReloadParameters"};
HeldRequest g_check_now{service::StartActions, service::SetStartActions, memory::GetCheckNowHeld,
                        memory::SetCheckNowHeld, "StartActions"};

void ReloadWhenAsked() {
  if (!g_reload.Asked()) return;
  ResumeNext(LoadValues);
  g_reload.Clear();
}

void CheckWhenAsked() {
  if (!g_check_now.Asked()) return;
  g_check_now.Clear();  // first, so that a long check is not started twice
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
