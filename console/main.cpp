// config.exe: the settings console of the Vormsline service.
#include <windows.h>

#include "dialog.h"
#include "main_window.h"
#include "program.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  vorms::SetRunningProgram(vorms::Program::Config);
  vorms::console::Form1 form;
  form.Load(true);
  if (!form.IsLoaded()) return 1;
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (vorms::console::IsConsoleDialogMessage(&msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return 0;
}
