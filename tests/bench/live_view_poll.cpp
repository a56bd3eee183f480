// Prints what one poll of the console's live view costs on a 100 MB Realtime.log: with
// no new bytes, and with 1,000 new lines. The reader reads only what was added, so
// neither figure grows with the file.
#include <windows.h>

#include <cstdio>
#include <string>

#include "live_view.h"
#include "test_support.h"

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Tick() {
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return t;
}

void Append(const std::string& path, const std::string& text) {
  vorms::FileHandle file(::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                       OPEN_ALWAYS, 0, nullptr));
  DWORD n = 0;
  ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
}

}  // namespace

int main() {
  vorms::test::TempFolder folder("liveview");
  const std::string feed = folder.File("Realtime.log");
  const std::string line =
      "2026-12-10 12:00:00 : [vorms]StartFTP: Starting Operations... a feed line of the service\r\n";
  std::string block;
  while (block.size() < (1 << 20)) block += line;
  for (int i = 0; i < 100; ++i) Append(feed, block);  // 100 MB

  vorms::console::LiveView view(feed);
  LARGE_INTEGER start = Tick();
  std::size_t caught_up = 0;
  for (;;) {
    std::size_t n = view.Poll().size();
    if (n == 0) break;
    caught_up += n;
  }
  std::printf("live view: first read of 100 MB (%zu lines, in polls of at most 4 MB): %.1f ms\n",
              caught_up, Milliseconds(start, Tick()));

  const int rounds = 1000;
  start = Tick();
  for (int i = 0; i < rounds; ++i) view.Poll();
  std::printf("live view: one poll with no new bytes on 100 MB: %.4f ms (mean of %d)\n",
              Milliseconds(start, Tick()) / rounds, rounds);

  std::string thousand;
  for (int i = 0; i < 1000; ++i) thousand += line;
  Append(feed, thousand);
  start = Tick();
  std::size_t shown = view.Poll().size();
  std::printf("live view: one poll showing %zu new lines: %.3f ms\n", shown, Milliseconds(start, Tick()));
  return shown == 1000 ? 0 : 1;
}
