#include "transfer_watch.h"

#include <string>
#include <thread>

#include "handles.h"
#include "stop_request.h"

namespace vorms {
namespace {

// How long a cancelled worker gets to notice before it is left behind.
constexpr DWORD kCancelGraceMs = 2000;
constexpr DWORD kPollMs = 100;

struct WorkerRun {
  WatchState state;
  Handle done{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

}  // namespace

HINTERNET InternetHandles::Keep(HINTERNET handle) {
  if (handle) {
    std::lock_guard<std::mutex> guard(lock_);
    open_.push_back(handle);
  }
  return handle;
}

void InternetHandles::Close(HINTERNET handle) {
  std::lock_guard<std::mutex> guard(lock_);
  for (auto it = open_.begin(); it != open_.end(); ++it) {
    if (*it == handle) {
      open_.erase(it);
      ::InternetCloseHandle(handle);
      return;
    }
  }
}

void InternetHandles::CloseAll() {
  std::lock_guard<std::mutex> guard(lock_);
  while (!open_.empty()) {
    ::InternetCloseHandle(open_.back());
    open_.pop_back();
  }
}

WatchEnd RunWatched(std::function<void(WatchState&)> work, std::function<void()> cancel,
                    DWORD idle_ms) {
  auto run = std::make_shared<WorkerRun>();
  std::thread worker([run, work = std::move(work)] {
    work(run->state);
    ::SetEvent(run->done.get());
  });

  HANDLE stop = StopEvent();
  HANDLE waits[] = {run->done.get(), stop};
  const DWORD count = stop ? 2 : 1;
  unsigned long long seen = run->state.progress.load();
  ULONGLONG last_progress = ::GetTickCount64();
  WatchEnd end = WatchEnd::Finished;
  for (;;) {
    DWORD r = ::WaitForMultipleObjects(count, waits, FALSE, kPollMs);
    if (r == WAIT_OBJECT_0) break;
    if (r == WAIT_OBJECT_0 + 1) {
      end = WatchEnd::Stopped;
      break;
    }
    unsigned long long now_seen = run->state.progress.load();
    if (now_seen != seen) {
      seen = now_seen;
      last_progress = ::GetTickCount64();
    } else if (::GetTickCount64() - last_progress >= idle_ms) {
      end = WatchEnd::TimedOut;
      break;
    }
  }
  if (end == WatchEnd::Finished) {
    worker.join();
    return end;
  }
  run->state.abandoned = true;
  if (cancel) cancel();
  if (::WaitForSingleObject(run->done.get(), kCancelGraceMs) == WAIT_OBJECT_0) {
    worker.join();
  } else {
    worker.detach();  // still blocked inside the system; it owns what it uses
  }
  return end;
}

const char* WatchEndText(WatchEnd end) {
  switch (end) {
    case WatchEnd::TimedOut: return "the server sent nothing within the time limit";
    case WatchEnd::Stopped: return "the transfer was ended by a stop request";
    default: return "";
  }
}

std::string InternetErrorText(DWORD code) {
  char buffer[512] = {};
  DWORD n = 0;
  if (code >= INTERNET_ERROR_BASE && code <= INTERNET_ERROR_LAST) {
    n = ::FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                         ::GetModuleHandleA("wininet.dll"), code, 0, buffer, sizeof buffer, nullptr);
  } else {
    n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                         0, buffer, sizeof buffer, nullptr);
  }
  std::string text(buffer, n);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' ||
                           text.back() == '.')) {
    text.pop_back();
  }
  if (text.empty()) text = "system error";
  return text + " (" + std::to_string(code) + ")";
}

void SetTimeouts(HINTERNET handle, DWORD connect_ms, DWORD idle_ms) {
  ::InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect_ms, sizeof connect_ms);
  const DWORD options[] = {INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                           INTERNET_OPTION_DATA_SEND_TIMEOUT, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT,
                           INTERNET_OPTION_CONTROL_SEND_TIMEOUT,
                           INTERNET_OPTION_CONTROL_RECEIVE_TIMEOUT};
  for (DWORD option : options) ::InternetSetOptionA(handle, option, &idle_ms, sizeof idle_ms);
}

}  // namespace vorms
