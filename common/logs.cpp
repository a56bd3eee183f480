#include "logs.h"

#include "datetime.h"
#include "files.h"
#include "memory_values.h"
#include "program.h"
#include "settings.h"

namespace vorms {
namespace {

HWND g_status_box = nullptr;

std::string LogLine(const std::string& message) {
  return DateTimeText(Now()) + " : [" + ProgramName() + "]" + message;
}

std::string EventLine(const std::string& source, const std::string& message) {
  return DateTimeText(Now()) + " " + source + ": " + message;
}

void AppendToStatusBox(const std::string& message) {
  if (g_status_box == nullptr) return;
  std::string line = DateTimeText(Now()) + " - " + message + "\r\n";
  int end = ::GetWindowTextLengthA(g_status_box);
  ::SendMessageA(g_status_box, EM_SETSEL, end, end);
  ::SendMessageA(g_status_box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
}

void WriteVormsLog(const std::string& message, int16_t level) {
  std::string line = LogLine(message);
  PumpPendingMessages();
  const bool debug = memory::GetDebugOn() == 1;
  if (level == 1 && memory::GetLogsEnabled() == 1) {
    AppendLine(ProgramFile("vorms.log"), line);
    AppendLine(ProgramFile("Realtime.log"), line);
    if (debug) AppendLine(ProgramFile("VORMS_DEBUG.log"), line);
  } else if (level == 2 && debug) {
    AppendLine(ProgramFile("VORMS_DEBUG.log"), line);
  }
}

void WriteConfigLog(const std::string& message, int16_t level) {
  std::string line = LogLine(message);
  if (g_status_box != nullptr) ::UpdateWindow(g_status_box);
  PumpPendingMessages();
  if (level == 1) {
    AppendToStatusBox(message);
    if (logs::Enable() == 1) {
      AppendLine(ProgramFile("plomenk.log"), line);
      if (GET_DEBUG_MODE() == 1) AppendLine(ProgramFile("Vorms_debug.log"), line);
    }
  } else if (level == 2 && GET_DEBUG_MODE() == 1) {
    AppendLine(ProgramFile("Vorms_debug.log"), line);
  }
}

}  // namespace

void WriteLog(const std::string& message, int16_t level) {
  if (RunningVorms()) {
    WriteVormsLog(message, level);
  } else {
    WriteConfigLog(message, level);
  }
}

void WriteEvent(const std::string& source, const std::string& message) {
  AppendLine(ProgramFile("events.log"), EventLine(source, message));
  if (RunningVorms()) AppendLine(ProgramFile("Realtime.log"), EventLine(source, message));
}

ErrorReport LogError(std::string prefix, int16_t level) {
  return [prefix = std::move(prefix), level](const RuntimeError& e) {
    WriteLog(prefix + std::to_string(e.number()) + " " + e.description(), level);
  };
}

ErrorReport EventError(std::string source) {
  return [source = std::move(source)](const RuntimeError& e) {
    WriteEvent(source, "Error " + std::to_string(e.number()) + " " + e.description());
  };
}

void AppendLine(const std::string& path, std::string_view text) {
  FileHandle file(::CreateFileA(path.c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) RaiseFileError(::GetLastError());
  std::string line(text);
  line += "\r\n";
  DWORD written = 0;
  if (!::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
      written != line.size()) {
    RaiseFileError(::GetLastError());
  }
}

void PumpPendingMessages() {
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {  // belongs to the thread's own message loop
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

void SetStatusBox(HWND edit) { g_status_box = edit; }

}  // namespace vorms
