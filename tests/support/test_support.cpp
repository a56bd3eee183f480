#include "test_support.h"

#include <stdexcept>

#include "errors.h"
#include "files.h"
#include "handles.h"
#include "memory_values.h"
#include "stop_request.h"

namespace vorms::test {
namespace {

std::string TempRoot() {
  char buffer[MAX_PATH + 1];
  DWORD n = ::GetTempPathA(sizeof buffer, buffer);
  std::string root(buffer, n);
  while (!root.empty() && root.back() == '\\') root.pop_back();
  return root;
}

// Moves whatever a pipe holds now into text, without waiting for more. The pipe is
// never read to its end: a process the child started (Wine's desktop process, for one)
// may inherit the write end and keep it open long after the child has gone.
void Drain(HANDLE pipe, std::string& text) {
  DWORD available = 0;
  while (::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
    std::string chunk(available, '\0');
    DWORD n = 0;
    if (!::ReadFile(pipe, chunk.data(), available, &n, nullptr) || n == 0) return;
    text.append(chunk.data(), n);
  }
}

}  // namespace

TempFolder::TempFolder(const std::string& prefix) {
  static LONG counter = 0;
  for (;;) {
    path_ = TempRoot() + "\\" + prefix + "-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(::InterlockedIncrement(&counter)) + "-" + std::to_string(::GetTickCount());
    if (::CreateDirectoryA(path_.c_str(), nullptr)) return;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot create " + path_);
  }
}

TempFolder::~TempFolder() { RemoveTree(path_); }

ProgramSandbox::ProgramSandbox(Program program) : folder_("program") {
  SetRunningProgram(program);
  SetProgramFolderForTesting(folder_.path());
  memory::ResetAll();
  SetClockForTesting(nullptr);
}

ProgramSandbox::~ProgramSandbox() {
  SetProgramFolderForTesting("");
  SetRunningProgram(Program::Vorms);
  SetClockForTesting(nullptr);
  memory::ResetAll();
}

void ProgramSandbox::SetNow(const DateTime& now) {
  now_ = now;
  SetClockForTesting(&now_);
}

bool FileExists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFile(const std::string& path) {
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  if (!file) return {};
  std::string text;
  char buffer[4096];
  DWORD n = 0;
  while (::ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr) && n > 0) text.append(buffer, n);
  return text;
}

void WriteFile(const std::string& path, const std::string& content) {
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!file) throw std::runtime_error("cannot write " + path);
  DWORD n = 0;
  ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &n, nullptr);
}

void RemoveTree(const std::string& path) { vorms::RemoveTree(path); }

void CopyFileTo(const std::string& from, const std::string& to) {
  if (!::CopyFileA(from.c_str(), to.c_str(), FALSE)) throw std::runtime_error("cannot copy " + from);
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::string text = ReadFile(path);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::string BuildFolder() { return ModuleFolder(nullptr); }

ProcessResult RunProcess(const std::string& command_line, DWORD timeout_ms) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  Handle out_read, out_write, err_read, err_write;
  ::CreatePipe(out_read.receive(), out_write.receive(), &inherit, 0);
  ::CreatePipe(err_read.receive(), err_write.receive(), &inherit, 0);
  ::SetHandleInformation(out_read.get(), HANDLE_FLAG_INHERIT, 0);
  ::SetHandleInformation(err_read.get(), HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = out_write.get();
  si.hStdError = err_write.get();
  PROCESS_INFORMATION pi{};
  std::string line = command_line;
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    throw std::runtime_error("cannot start " + command_line + " (error " + std::to_string(::GetLastError()) + ")");
  }
  Handle process(pi.hProcess), thread(pi.hThread);
  out_write.reset();
  err_write.reset();

  ProcessResult result;
  const ULONGLONG deadline = ::GetTickCount64() + timeout_ms;
  while (::WaitForSingleObject(process.get(), 20) == WAIT_TIMEOUT) {
    Drain(out_read.get(), result.output);
    Drain(err_read.get(), result.error);
    if (::GetTickCount64() >= deadline) {
      result.timed_out = true;
      ::TerminateProcess(process.get(), 1);
      ::WaitForSingleObject(process.get(), INFINITE);
    }
  }
  Drain(out_read.get(), result.output);
  Drain(err_read.get(), result.error);
  ::GetExitCodeProcess(process.get(), &result.exit_code);
  return result;
}

int ErrorOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

ScopedStopEvent::ScopedStopEvent(bool set)
    : event_(::CreateEventA(nullptr, TRUE, set ? TRUE : FALSE, nullptr)) {
  SetStopEvent(event_.get());
}

ScopedStopEvent::~ScopedStopEvent() { SetStopEvent(nullptr); }

ReadOnlyFile::ReadOnlyFile(std::string path)
    : path_(std::move(path)),
      deny_writes_(::CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr)) {
  ::SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_READONLY);
}

ReadOnlyFile::~ReadOnlyFile() {
  deny_writes_.reset();
  ::SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
}

BackgroundProcess::BackgroundProcess(const std::string& command_line) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string line = command_line;
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
    throw std::runtime_error("cannot start " + command_line + " (error " + std::to_string(::GetLastError()) + ")");
  }
  process_.reset(pi.hProcess);
  Handle thread(pi.hThread);
}

BackgroundProcess::~BackgroundProcess() {
  ::TerminateProcess(process_.get(), 0);
  ::WaitForSingleObject(process_.get(), 10000);
}

}  // namespace vorms::test
