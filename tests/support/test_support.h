// Helpers shared by the test programs: temporary folders, files, child processes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "datetime.h"
#include "handles.h"
#include "program.h"

namespace vorms::test {

// A fresh folder under the temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix = "vorms");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// Makes the code under test run as `program` in a fresh program folder, with the
// in-memory values and the clock as at start-up; restores all of it at the end.
class ProgramSandbox {
 public:
  explicit ProgramSandbox(Program program = Program::Vorms);
  ~ProgramSandbox();

  const TempFolder& folder() const { return folder_; }
  std::string File(const std::string& name) const { return folder_.File(name); }
  std::string Ini() const { return folder_.File("plomenk.ini"); }
  void SetNow(const DateTime& now);

 private:
  TempFolder folder_;
  DateTime now_{};
};

bool FileExists(const std::string& path);
std::string ReadFile(const std::string& path);  // "" when missing
void WriteFile(const std::string& path, const std::string& content);
void RemoveTree(const std::string& path);
void CopyFileTo(const std::string& from, const std::string& to);

// The lines of a text file, split at CR LF (a line ending in a bare LF keeps no CR).
std::vector<std::string> ReadLines(const std::string& path);

// The folder of the running test program, where every built program and library lies.
std::string BuildFolder();

struct ProcessResult {
  DWORD exit_code = 0;
  std::string output;  // standard output
  std::string error;   // standard error
  bool timed_out = false;
};

// Runs a command line, waits (at most timeout_ms) and collects its output.
ProcessResult RunProcess(const std::string& command_line, DWORD timeout_ms = 60000);

// A program started in the background; it is ended, if still running, when this goes.
class BackgroundProcess {
 public:
  explicit BackgroundProcess(const std::string& command_line);
  ~BackgroundProcess();
  BackgroundProcess(const BackgroundProcess&) = delete;
  BackgroundProcess& operator=(const BackgroundProcess&) = delete;

 private:
  Handle process_;
};

// An event handed to the code under test as the service's stop request for as long as
// this lives (set from the start when asked).
class ScopedStopEvent {
 public:
  explicit ScopedStopEvent(bool set = false);
  ~ScopedStopEvent();
  ScopedStopEvent(const ScopedStopEvent&) = delete;
  ScopedStopEvent& operator=(const ScopedStopEvent&) = delete;

  HANDLE get() const { return event_.get(); }

 private:
  Handle event_;
};

// A file made read-only for as long as this lives. Wine run as root writes read-only
// files all the same, so a handle that denies writing is held as well: every write is
// refused, as Windows refuses writes to a read-only file.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(std::string path);
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

 private:
  std::string path_;
  FileHandle deny_writes_;
};

// The run-time error number fn raises, 0 when it raises none.
int ErrorOf(const std::function<void()>& fn);

// Waits until predicate() holds, polling; false when timeout_ms passed first.
template <typename Predicate>
bool WaitFor(Predicate predicate, DWORD timeout_ms = 15000, DWORD poll_ms = 50) {
  const ULONGLONG end = ::GetTickCount64() + timeout_ms;
  for (;;) {
    if (predicate()) return true;
    if (::GetTickCount64() >= end) return false;
    ::Sleep(poll_ms);
  }
}

}  // namespace vorms::test
