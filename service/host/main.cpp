// vorms.exe: installs, removes or runs the Vormsline update service.
#include <windows.h>

#include "check_chain.h"
#include "com_objects.h"
#include "ftp_retrieval.h"
#include "http_retrieval.h"
#include "program.h"
#include "schedule.h"
#include "service_window.h"
#include "smtp_notify.h"
#include "startup.h"
#include "tsc_update.h"
#include "version_probe.h"

namespace {

// The steps of a check, as far as they are built.
vorms::CheckChain ServiceCheckChain() {
  vorms::CheckChain chain;
  chain.HTTP_GET_FILE = vorms::HTTP_GET_FILE;
  chain.StartFTP = vorms::StartFTP;
  chain.IsIsUpdateOfficescan = vorms::IsIsUpdateOfficescan;
  chain.UpdateTSC = vorms::UpdateTSC;
  chain.ApplyTmTouch = vorms::ApplyTmTouch;
  chain.SMTP_Notify = [] {
    return vorms::SMTP_Notify({vorms::GetTscListing, vorms::PackFiles});
  };
  return chain;
}

}  // namespace

int main() {
  vorms::SetRunningProgram(vorms::Program::Vorms);
  vorms::ComApartment com;  // the libraries are created on this thread
  vorms::SetCheckChain(ServiceCheckChain());
  vorms::ServiceWindow window;
  vorms::SetCountdownWindow(window.get());
  // The service has reported stopped by the time start-up returns: ending the process
  // here is all that is left.
  return vorms::StartUp(vorms::ArgumentText(::GetCommandLineA()));
}
