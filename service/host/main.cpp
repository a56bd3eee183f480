// vorms.exe: installs, removes or runs the Vormsline update service.
#include <windows.h>

#include "com_objects.h"
#include "program.h"
#include "schedule.h"
#include "service_chain.h"
#include "service_window.h"
#include "startup.h"

int main() {
  vorms::SetRunningProgram(vorms::Program::Vorms);
  vorms::ComApartment com;  // the libraries are created on this thread
  vorms::SetCheckChain(vorms::ServiceCheckChain());
  vorms::ServiceWindow window;
  vorms::SetCountdownWindow(window.get());
  // The service has reported stopped by the time start-up returns: ending the process
  // here is all that is left.
  return vorms::StartUp(vorms::ArgumentText(::GetCommandLineA()));
}
