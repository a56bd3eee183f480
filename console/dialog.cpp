#include "dialog.h"

#include <algorithm>
#include <vector>

#include "resource.h"

namespace vorms::console {
namespace {

std::vector<HWND>& OpenWindows() {
  static std::vector<HWND> windows;
  return windows;
}

}  // namespace

HINSTANCE ResourceModule() { return ::GetModuleHandleA(nullptr); }

bool IsConsoleDialogMessage(MSG* msg) {
  for (HWND window : OpenWindows()) {
    if (window == msg->hwnd || ::IsChild(window, msg->hwnd)) return ::IsDialogMessageA(window, msg) != 0;
  }
  return false;
}

Dialog::~Dialog() { Unload(); }

void Dialog::Create(const char* template_name, HWND owner) {
  if (IsLoaded()) return;
  ::CreateDialogParamA(ResourceModule(), template_name, owner, &Dialog::Procedure,
                       reinterpret_cast<LPARAM>(this));
}

void Dialog::Show() {
  if (!IsLoaded()) return;
  ::ShowWindow(hwnd_, SW_SHOW);
  ::SetForegroundWindow(hwnd_);
}

void Dialog::Unload() {
  if (IsLoaded()) ::DestroyWindow(hwnd_);
}

std::string Dialog::Text(int id) const {
  HWND control = ::GetDlgItem(hwnd_, id);
  std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(control)) + 1, '\0');
  int n = ::GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(n, 0)));
  return text;
}

void Dialog::SetText(int id, const std::string& text) { ::SetDlgItemTextA(hwnd_, id, text.c_str()); }

bool Dialog::Checked(int id) const { return ::IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }

void Dialog::SetChecked(int id, bool checked) {
  ::CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR*) { return false; }

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<Dialog*>(lparam);
    ::SetWindowLongPtrA(hwnd, DWLP_USER, lparam);
    self->hwnd_ = hwnd;
    OpenWindows().push_back(hwnd);
    HICON icon = ::LoadIconA(ResourceModule(), MAKEINTRESOURCEA(IDI_CONFIG));
    ::SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    ::SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    self->OnLoad();
    return TRUE;
  }
  auto* self = reinterpret_cast<Dialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
  if (self == nullptr) return FALSE;
  if (message == WM_NCDESTROY) {
    auto& open = OpenWindows();
    open.erase(std::remove(open.begin(), open.end(), hwnd), open.end());
    ::SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    self->hwnd_ = nullptr;
    return FALSE;
  }
  return self->Handle(message, wparam, lparam);
}

INT_PTR Dialog::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  INT_PTR result = 0;
  if (OnMessage(message, wparam, lparam, &result)) {
    ::SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
    return TRUE;
  }
  if (message == WM_COMMAND) {
    if (OnCommand(LOWORD(wparam), HIWORD(wparam))) return TRUE;
    if (LOWORD(wparam) != IDCANCEL) return FALSE;
  }
  // The close box and Escape unload the window without saving.
  if (message == WM_CLOSE || message == WM_COMMAND) {
    Unload();
    return TRUE;
  }
  return FALSE;
}

}  // namespace vorms::console
