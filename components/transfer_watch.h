// Every network operation of the transfer components runs on a worker thread while the
// calling thread watches it: a stop request or a stretch without progress closes the
// operation's handles, and a worker that still does not return is left behind, so the
// caller never waits longer than the limits say, whatever a server does.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace vorms {

struct TransferLimits {
  DWORD connect_ms = 60000;  // connecting and logging on
  DWORD idle_ms = 60000;     // a transfer that receives nothing for this long fails
};

// The WinINet handles of one connection, shared by a worker and its watcher: closing
// them from the watcher is what ends a blocked call, and each is closed exactly once.
class InternetHandles {
 public:
  ~InternetHandles() { CloseAll(); }
  // Takes ownership; returns the handle (null stays null and is not kept).
  HINTERNET Keep(HINTERNET handle);
  // Closes one handle kept earlier (a file or request handle done with).
  void Close(HINTERNET handle);
  // Closes every handle, the last kept first.
  void CloseAll();

 private:
  std::mutex lock_;
  std::vector<HINTERNET> open_;
};

enum class WatchEnd { Finished, TimedOut, Stopped };

// What a worker shares with its watcher.
struct WatchState {
  std::atomic<unsigned long long> progress{0};  // bumped whenever data arrives
  std::atomic<bool> abandoned{false};           // the watcher gave up: keep no result
};

// Runs work on a worker thread; cancel is called once when a stop is requested
// (StopEvent) or progress stands still for idle_ms. Work and cancel must own (by shared pointer or
// copy) everything they touch, since an abandoned worker outlives this call.
WatchEnd RunWatched(std::function<void(WatchState&)> work, std::function<void()> cancel,
                    DWORD idle_ms);

// "nothing received for N s" / "ended by a stop request" texts of the two watch ends.
const char* WatchEndText(WatchEnd end);

// The system's text for a WinINet or Win32 error code, with the code.
std::string InternetErrorText(DWORD code);

// Sets the connect, send and receive time-outs of a handle.
void SetTimeouts(HINTERNET handle, DWORD connect_ms, DWORD idle_ms);

}  // namespace vorms
