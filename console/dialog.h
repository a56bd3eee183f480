// A modeless window made from a dialog template of config.rc, and the reading and
// writing of its controls. Every open one takes part in the keyboard handling of the
// console's message loop (Tab, arrows, Enter, Escape).
#pragma once

#include <windows.h>

#include <string>

namespace vorms::console {

class Dialog {
 public:
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;
  virtual ~Dialog();

  HWND hwnd() const { return hwnd_; }
  // Loaded: the window exists, shown or not.
  bool IsLoaded() const { return hwnd_ != nullptr; }
  // Brings the window up; it stays modeless.
  void Show();
  // Destroys the window (unload); the next opening creates it afresh.
  void Unload();

  std::string Text(int id) const;
  void SetText(int id, const std::string& text);
  bool Checked(int id) const;
  void SetChecked(int id, bool checked);

 protected:
  Dialog() = default;
  // Creates the window hidden from its template; OnLoad runs before this returns.
  void Create(const char* template_name, HWND owner);
  virtual void OnLoad() {}
  // A command from a control or a menu (WM_COMMAND): return true when handled.
  virtual bool OnCommand(int id, int code) = 0;
  // Every other message; return true when handled (result in *result).
  virtual bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result);

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam);

  HWND hwnd_ = nullptr;
};

// The console's module, where its templates and icon live.
HINSTANCE ResourceModule();

// Hands a keyboard message to the open console window it belongs to; true when it
// was one of theirs.
bool IsConsoleDialogMessage(MSG* msg);

}  // namespace vorms::console
