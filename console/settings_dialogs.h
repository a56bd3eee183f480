// The settings dialogs of the console, each opened modeless from the main window's
// menus: the proxy dialog, the mail dialog with its test mail, the protocol dialog and
// the About window. Each fills its fields from the settings file when it is loaded and
// writes them back through Config's setters when the user saves.
#pragma once

#include <string>

#include "dialog.h"

namespace vorms::console {

// Loads the dialog when it is not loaded, then shows it.
template <typename D>
void Open(D& dialog, HWND owner) {
  dialog.Load(owner);
  dialog.Show();
}

class ProxyParameters : public Dialog {
 public:
  void Load(HWND owner) { Create("ProxyParameters", owner); }

  void Form_Load();
  void PASSIVE_CHECK_Click();
  void Command1_Click();  // "Save and Quit"

 protected:
  void OnLoad() override { Form_Load(); }
  bool OnCommand(int id, int code) override;
};

class FORM_SMTP : public Dialog {
 public:
  void Load(HWND owner) { Create("FORM_SMTP", owner); }

  void Form_Load();
  void Command1_Click();  // "Save and Exit"
  void Command2_Click();  // "Test It"

 protected:
  void OnLoad() override { Form_Load(); }
  bool OnCommand(int id, int code) override;

 private:
  void SaveFields();
};

class frmProtocols : public Dialog {
 public:
  void Load(HWND owner) { Create("frmProtocols", owner); }

  void Form_Load();
  void Option1_Click(int index);  // 0 HTTP, 1 FTP
  void Command1_Click();          // "Save and Quit"

 protected:
  void OnLoad() override { Form_Load(); }
  bool OnCommand(int id, int code) override;
};

class frmAbout : public Dialog {
 public:
  void Load(HWND owner) { Create("frmAbout", owner); }

  void Form_Load();
  void cmdOK_Click();

 protected:
  void OnLoad() override { Form_Load(); }
  bool OnCommand(int id, int code) override;
};

// "GUI version"/"VORMS Version" number: major.minor.revision of the program.
std::string ProgramVersionText();

}  // namespace vorms::console
