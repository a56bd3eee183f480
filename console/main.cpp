// config.exe: the settings console of the Vormsline service.
#include <windows.h>

#include "program.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  vorms::SetRunningProgram(vorms::Program::Config);
  return 0;
}
