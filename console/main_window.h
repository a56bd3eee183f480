// The console's main window Form1: the next run in its caption, the installed tool's
// version, a clock, the live view of the service's feed, the FTP login, the two
// requests to the service, the menus of options and dialogs, and the tray icon that
// stands for the window while it is minimised.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

#include "dialog.h"
#include "live_view.h"
#include "settings_dialogs.h"

namespace vorms::console {

class Form1 : public Dialog {
 public:
  static constexpr UINT_PTR kTimer1 = 1;           // clock and live view, 500 ms
  static constexpr UINT_PTR kTimer2 = 2;           // caption and version, 10 s
  static constexpr UINT kTrayMessage = WM_APP + 1;  // the tray icon's mouse messages

  // ended runs when the program is to end ("Quit", the close box); by default it ends
  // the message loop.
  explicit Form1(std::function<void()> ended = [] { ::PostQuitMessage(0); });
  ~Form1() override;

  // Creates the window, runs Form_Load and shows it (or not, for tests that only send
  // it messages).
  void Load(bool show);

  void Form_Load();
  void LoadValues();
  void ScanTheTopMenu();
  void Form_Resize(WPARAM kind);
  void TrayCallback(LPARAM mouse_message);
  void Timer1_Timer();
  void Timer2_Timer();
  void Command1_Click();  // "Start now"
  void Command2_Click();  // "Apply all parameters"
  void MENU_REDUCE_Click();
  void MENU_KILL_Click();
  void MENU_selectprotocol_Click();
  void EnableProxy_Click();
  void Set_Proxy_addresses_Click();
  void MENU_ENABLE_SMTP_Click();
  void MENU_SMTP_PARAMETERS_Click();
  void Enable_Write_logs_Click();
  void MENU_Enable_Debug_Mode_Click();
  void MENU_SCHEDULE_Click();
  void MENU_POOL_Click(int minutes);  // MENU_POOL_15 ... MENU_POOL_1440
  void MENU_ABOUT_Click();

  bool TrayIconShown() const { return tray_icon_shown_; }
  const LiveView& live_view() const { return live_view_; }
  ProxyParameters& proxy_parameters() { return proxy_; }
  FORM_SMTP& form_smtp() { return smtp_; }
  frmProtocols& protocols() { return protocols_; }
  frmAbout& about() { return about_; }

  // Form1's texts as the user sees them.
  static std::string VersionText();
  static std::string CaptionText();

 protected:
  bool OnCommand(int id, int code) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) override;

 private:
  void ToggleSwitch(int item, void (*setter)(int16_t));
  void AddTrayIcon();
  void RemoveTrayIcon();
  void End();

  std::function<void()> ended_;
  LiveView live_view_;
  ProxyParameters proxy_;
  FORM_SMTP smtp_;
  frmProtocols protocols_;
  frmAbout about_;
  NOTIFYICONDATAA tray_{};
  bool tray_icon_shown_ = false;
  UINT taskbar_created_ = 0;
};

}  // namespace vorms::console
