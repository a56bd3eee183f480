// config.exe: the settings console of the Vormsline service.
#include <windows.h>

#include <string>

#include "dialog.h"
#include "main_window.h"
#include "message_box.h"
#include "program.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  vorms::SetRunningProgram(vorms::Program::Config);
  vorms::console::Form1 form;
  form.Load(true);
  if (!form.IsLoaded()) {
    vorms::ShowMessage("The console window could not be created (error " +
                       std::to_string(::GetLastError()) + ").");
    return 1;
  }
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (vorms::console::IsConsoleDialogMessage(&msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return 0;
}
