// control_position.exe CAPTION_START TEXT: prints the screen centre "x y" of the control
// showing TEXT in the top-level window whose caption begins with CAPTION_START, so that
// an outside driver can click it where a user would.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct Search {
  std::string caption_start;
  HWND found = nullptr;
};

BOOL CALLBACK MatchCaption(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  char caption[512] = {};
  ::GetWindowTextA(window, caption, sizeof caption);
  if (std::string(caption).rfind(search->caption_start, 0) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  Search search{argv[1]};
  ::EnumWindows(&MatchCaption, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) return 1;
  HWND control = ::FindWindowExA(search.found, nullptr, nullptr, argv[2]);
  if (control == nullptr) return 1;
  RECT r;
  ::GetWindowRect(control, &r);
  std::printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  return 0;
}
