// The yardstick for the idle service: a Win32 program that only waits.
#include <windows.h>

int main() {
  ::Sleep(INFINITE);
  return 0;
}
