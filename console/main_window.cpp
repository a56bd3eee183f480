#include "main_window.h"

#include <cstdio>
#include <cstring>

#include "config_setters.h"
#include "conversions.h"
#include "datetime.h"
#include "errors.h"
#include "files.h"
#include "logs.h"
#include "program.h"
#include "resource.h"
#include "schedule.h"
#include "settings.h"
#include "stored_values.h"

namespace vorms::console {
namespace {

constexpr int kScheduleMenuPosition = 4;

struct PoolItem {
  int id;
  int minutes;
};
constexpr PoolItem kPoolItems[] = {{IDM_MENU_POOL_15, 15},
                                   {IDM_MENU_POOL_30, 30},
                                   {IDM_MENU_POOL_60, 60},
                                   {IDM_MENU_POOL_720, 720},
                                   {IDM_MENU_POOL_1440, 1440}};

void CheckItem(HMENU menu, int id, bool checked) {
  ::CheckMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void EnableItem(HMENU menu, int id, bool enabled) {
  ::EnableMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void SetItemCaption(HMENU menu, int id, const std::string& caption) {
  ::ModifyMenuA(menu, static_cast<UINT>(id), MF_BYCOMMAND | MF_STRING, static_cast<UINT_PTR>(id),
                caption.c_str());
}

std::string ClockText(const DateTime& t) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  return text;
}

// The stored interval as a number of minutes the schedule can use, or 0.
int StoredInterval() {
  const std::string pool = GetPoolMinutes();
  try {
    int16_t n = ToInt16(pool);
    if (n > 0) return n;
  } catch (const RuntimeError&) {
  }
  ResumeNext([&] {
    WriteLog("ScanTheTopMenu: [SERVICE] SchedulePoolMinutes=[" + pool +
                 "] is not a number of minutes, choose an interval in the Schedule menu",
             1);
  });
  return 0;
}

}  // namespace

Form1::Form1(std::function<void()> ended)
    : ended_(std::move(ended)), live_view_(ProgramFile("Realtime.log")) {}

Form1::~Form1() {
  RemoveTrayIcon();
  SetStatusBox(nullptr);
}

std::string Form1::VersionText() { return tsc::Version() + ".P." + tsc::Pattern(); }

std::string Form1::CaptionText() {
  std::string next = GetScheduleTime();
  return "GUI version " + ProgramVersionText() + " next time: " + Time_TransformBigDate(next);
}

void Form1::Load(bool show) {
  Create("Form1", nullptr);
  if (!IsLoaded()) return;
  taskbar_created_ = ::RegisterWindowMessageA("TaskbarCreated");
  // The live view may hold far more than the 32K characters an edit box takes at first.
  ::SendDlgItemMessageA(hwnd(), IDC_STATUS, EM_SETLIMITTEXT, 0, 0);
  SetStatusBox(::GetDlgItem(hwnd(), IDC_STATUS));
  Form_Load();
  ::SetTimer(hwnd(), kTimer1, 500, nullptr);
  ::SetTimer(hwnd(), kTimer2, 10000, nullptr);
  if (show) {
    ::ShowWindow(hwnd(), SW_SHOW);
    ::SetForegroundWindow(hwnd());
  }
}

void Form1::Form_Load() {
  const ErrorReport report = EventError("Loading");
  ResumeNext([&] { SetText(IDC_TSC_LOCAL_VERSION, VersionText()); }, report);
  ResumeNext([&] { ::SetWindowTextA(hwnd(), CaptionText().c_str()); }, report);
  ResumeNext(
      [&] {
        const std::string feed = ProgramFile("Realtime.log");
        if (PathExists(feed) && !::DeleteFileA(feed.c_str())) RaiseFileError(::GetLastError());
      },
      report);
  ResumeNext([&] { LoadValues(); }, report);
}

void Form1::LoadValues() {
  const ErrorReport report = EventError("LoadValues");
  ResumeNext([&] { ScanTheTopMenu(); }, report);
  ResumeNext([&] { SetText(IDC_FTP_USERNAME, ftp::Username()); }, report);
  ResumeNext([&] { SetText(IDC_FTP_PASSWORD, ftp::Password()); }, report);
  ResumeNext(
      [&] {
        proxy_.Load(hwnd());
        proxy_.SetText(IDC_FTP_PROXY_NAME, ftp::Proxy());
        proxy_.SetText(IDC_FTP_PROXY_PORT, PortText(keys::kFtpProxyPort, "LoadValues"));
      },
      report);
}

void Form1::ScanTheTopMenu() {
  HMENU menu = ::GetMenu(hwnd());
  const bool proxy = SwitchOn(keys::kFtpUseProxy, "ScanTheTopMenu");
  CheckItem(menu, IDM_EnableProxy, proxy);
  EnableItem(menu, IDM_Set_Proxy_addresses, proxy);
  CheckItem(menu, IDM_MENU_Enable_Debug_Mode, SwitchOn(keys::kServiceDebugMode, "ScanTheTopMenu"));
  CheckItem(menu, IDM_Enable_Write_logs, SwitchOn(keys::kLogsEnable, "ScanTheTopMenu"));
  const bool mail = SwitchOn(keys::kSmtpEnable, "ScanTheTopMenu");
  CheckItem(menu, IDM_MENU_ENABLE_SMTP, mail);
  EnableItem(menu, IDM_MENU_SMTP_PARAMETERS, mail);

  // A new caption resets the item's state, so it comes first.
  SetItemCaption(menu, IDM_MENU_POOL_OTHER, "Other");
  for (const PoolItem& item : kPoolItems) CheckItem(menu, item.id, false);
  CheckItem(menu, IDM_MENU_POOL_OTHER, false);
  EnableItem(menu, IDM_MENU_POOL_OTHER, false);
  const int n = StoredInterval();
  if (n == 0) return;
  for (const PoolItem& item : kPoolItems) {
    if (item.minutes == n) {
      CheckItem(menu, item.id, true);
      return;
    }
  }
  SetItemCaption(menu, IDM_MENU_POOL_OTHER, "Every " + std::to_string(n) + " minutes");
  EnableItem(menu, IDM_MENU_POOL_OTHER, true);
  CheckItem(menu, IDM_MENU_POOL_OTHER, true);
}

void Form1::ToggleSwitch(int item, void (*setter)(int16_t)) {
  const bool checked = (::GetMenuState(::GetMenu(hwnd()), static_cast<UINT>(item), MF_BYCOMMAND) &
                        MF_CHECKED) != 0;
  setter(checked ? 0 : 1);
  ScanTheTopMenu();
}

void Form1::EnableProxy_Click() {
  ScanTheTopMenu();  // act on what the file holds now, whoever changed it
  ToggleSwitch(IDM_EnableProxy, ftp::SetUseProxy);
}

void Form1::MENU_ENABLE_SMTP_Click() {
  ScanTheTopMenu();
  ToggleSwitch(IDM_MENU_ENABLE_SMTP, smtp::SetEnable);
}

void Form1::Enable_Write_logs_Click() { ToggleSwitch(IDM_Enable_Write_logs, logs::SetEnable); }

void Form1::MENU_Enable_Debug_Mode_Click() {
  ToggleSwitch(IDM_MENU_Enable_Debug_Mode, service::SetDebugMode);
}

void Form1::MENU_SCHEDULE_Click() { ScanTheTopMenu(); }

void Form1::MENU_POOL_Click(int minutes) {
  SetPoolMinutes(std::to_string(minutes));
  ScheduleSaveNewTime();
  ScanTheTopMenu();
  // The caption would follow within 10 s; showing the new time at once costs nothing.
  ResumeNext([&] { ::SetWindowTextA(hwnd(), CaptionText().c_str()); });
}

void Form1::Command1_Click() {
  SetText(IDC_STATUS, "");
  service::SetStartActions(1);
}

void Form1::Command2_Click() {
  // A password the scrambling cannot store is reported and left as it was; the reload
  // is asked for all the same.
  ResumeNext([&] { ftp::SetPassword(Text(IDC_FTP_PASSWORD)); }, LogError("Command2_Click: Error "));
  ResumeNext([&] { ftp::SetUsername(Text(IDC_FTP_USERNAME)); }, LogError("Command2_Click: Error "));
  service::SetReloadParameters(1);
}

void Form1::Timer1_Timer() {
  SetText(IDC_LABEL_TIME, ClockText(Now()));
  std::vector<std::string> lines = live_view_.Poll();
  if (lines.empty()) return;
  // Newest on top: the block holds the new lines newest first and goes in front.
  std::string block;
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    block += *line;
    block += "\r\n";
  }
  HWND status = ::GetDlgItem(hwnd(), IDC_STATUS);
  ::SendMessageA(status, EM_SETSEL, 0, 0);
  ::SendMessageA(status, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(block.c_str()));
  ::SendMessageA(status, EM_SETSEL, 0, 0);
  ::SendMessageA(status, EM_SCROLLCARET, 0, 0);
}

void Form1::Timer2_Timer() {
  ResumeNext([&] { ::SetWindowTextA(hwnd(), CaptionText().c_str()); });
  ResumeNext([&] { SetText(IDC_TSC_LOCAL_VERSION, VersionText()); });
}

void Form1::AddTrayIcon() {
  tray_ = NOTIFYICONDATAA{};
  tray_.cbSize = NOTIFYICONDATAA_V1_SIZE;
  tray_.hWnd = hwnd();
  tray_.uID = 1;
  tray_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  tray_.uCallbackMessage = kTrayMessage;
  tray_.hIcon = ::LoadIconA(ResourceModule(), MAKEINTRESOURCEA(IDI_CONFIG));
  char caption[64] = {};
  ::GetWindowTextA(hwnd(), caption, sizeof caption);
  std::memcpy(tray_.szTip, caption, sizeof caption);
  tray_icon_shown_ = ::Shell_NotifyIconA(tray_icon_shown_ ? NIM_MODIFY : NIM_ADD, &tray_) != FALSE;
}

void Form1::RemoveTrayIcon() {
  if (!tray_icon_shown_) return;
  ::Shell_NotifyIconA(NIM_DELETE, &tray_);
  tray_icon_shown_ = false;
}

void Form1::Form_Resize(WPARAM kind) {
  if (kind != SIZE_MINIMIZED) return;
  AddTrayIcon();
  // Without a notification area the window stays minimised on the taskbar: hidden, it
  // could not be brought back.
  if (tray_icon_shown_) ::ShowWindow(hwnd(), SW_HIDE);
}

void Form1::TrayCallback(LPARAM mouse_message) {
  if (LOWORD(mouse_message) != WM_LBUTTONDOWN) return;
  ::ShowWindow(hwnd(), SW_RESTORE);
  ::ShowWindow(hwnd(), SW_SHOW);
  ::SetForegroundWindow(hwnd());
  RemoveTrayIcon();  // the window stands for itself again
}

void Form1::MENU_REDUCE_Click() { ::ShowWindow(hwnd(), SW_MINIMIZE); }

void Form1::End() {
  RemoveTrayIcon();  // an icon left behind would stay until the mouse passes over it
  ::KillTimer(hwnd(), kTimer1);
  ::KillTimer(hwnd(), kTimer2);
  SetStatusBox(nullptr);
  Unload();
  ended_();
}

void Form1::MENU_KILL_Click() { End(); }

void Form1::MENU_selectprotocol_Click() { Open(protocols_, hwnd()); }
void Form1::Set_Proxy_addresses_Click() { Open(proxy_, hwnd()); }
void Form1::MENU_SMTP_PARAMETERS_Click() { Open(smtp_, hwnd()); }
void Form1::MENU_ABOUT_Click() { Open(about_, hwnd()); }

bool Form1::OnCommand(int id, int code) {
  if (code == BN_CLICKED && id == IDC_Command1) {
    Command1_Click();
    return true;
  }
  if (code == BN_CLICKED && id == IDC_Command2) {
    Command2_Click();
    return true;
  }
  if (code != 0) return false;  // menus send 0
  for (const PoolItem& item : kPoolItems) {
    if (item.id == id) {
      MENU_POOL_Click(item.minutes);
      return true;
    }
  }
  switch (id) {
    case IDM_MENU_REDUCE: MENU_REDUCE_Click(); return true;
    case IDM_MENU_KILL: MENU_KILL_Click(); return true;
    case IDM_MENU_selectprotocol: MENU_selectprotocol_Click(); return true;
    case IDM_EnableProxy: EnableProxy_Click(); return true;
    case IDM_Set_Proxy_addresses: Set_Proxy_addresses_Click(); return true;
    case IDM_MENU_ENABLE_SMTP: MENU_ENABLE_SMTP_Click(); return true;
    case IDM_MENU_SMTP_PARAMETERS: MENU_SMTP_PARAMETERS_Click(); return true;
    case IDM_Enable_Write_logs: Enable_Write_logs_Click(); return true;
    case IDM_MENU_Enable_Debug_Mode: MENU_Enable_Debug_Mode_Click(); return true;
    case IDM_MENU_ABOUT: MENU_ABOUT_Click(); return true;
    case IDM_MENU_POOL_OTHER:  // display only
    case IDOK:                 // Enter and Escape do not end the main window
    case IDCANCEL: return true;
    default: return false;
  }
}

bool Form1::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) {
  *result = 0;
  switch (message) {
    case WM_TIMER:
      if (wparam == kTimer1) Timer1_Timer();
      if (wparam == kTimer2) Timer2_Timer();
      return true;
    case WM_SIZE: Form_Resize(wparam); return false;
    case WM_INITMENUPOPUP:
      if (reinterpret_cast<HMENU>(wparam) == ::GetSubMenu(::GetMenu(hwnd()), kScheduleMenuPosition)) {
        MENU_SCHEDULE_Click();
      }
      return false;
    case kTrayMessage: TrayCallback(lparam); return true;
    case WM_CLOSE: End(); return true;  // the close box ends the program like "Quit"
    default:
      if (taskbar_created_ != 0 && message == taskbar_created_ && tray_icon_shown_) {
        tray_icon_shown_ = false;  // a restarted shell has forgotten the icon
        AddTrayIcon();
      }
      return false;
  }
}

}  // namespace vorms::console
