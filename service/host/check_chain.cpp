#include "check_chain.h"

#include <string>
#include <utility>

#include "logs.h"
#include "memory_values.h"
#include "settings.h"

namespace vorms {
namespace {

constexpr char kSource[] = "Launch";

CheckChain g_chain;

bool Run(const std::function<bool()>& step) { return step && step(); }

// The FTP package's time becomes the stored latest one only when the package has been
// judged: found not newer, or installed and stamped. After a failed installation (a
// locked file, a service ended mid-way) the next check fetches it again.
void KeepFetchedDate() {
  const std::string date = memory::GetFetchedDate();
  if (date.empty()) return;
  tsc::SetLatestDate(date);
  memory::SetFetchedDate({});
}

}  // namespace

void SetCheckChain(CheckChain chain) { g_chain = std::move(chain); }

// No trap of its own: an error ends the check and reaches the tick, which goes on.
void Launch() {
  WriteEvent(kSource, "Launch Function starting");
  memory::SetFetchedDate({});  // a package of an earlier check is not this check's
  const int16_t use_http = http::UseThis();
  WriteEvent(kSource, "HTTP Protocol=" + std::to_string(use_http));
  if (use_http == 1) {
    WriteEvent(kSource, "Invoke GET_PROTOCOL_HTTP");
    if (!Run(g_chain.HTTP_GET_FILE)) {
      WriteLog("Launch: HTTP_GET_FILE=False", 1);
      return;
    }
  }
  if (ftp::UseThis() == 1 && !Run(g_chain.StartFTP)) {
    WriteLog("Launch: STARTFTP=False", 1);
    return;
  }
  if (!Run(g_chain.IsIsUpdateOfficescan)) {
    KeepFetchedDate();
    return;
  }
  if (Run(g_chain.UpdateTSC) && Run(g_chain.ApplyTmTouch)) {
    KeepFetchedDate();
    Run(g_chain.SMTP_Notify);
  }
}

}  // namespace vorms
