#include "command_runner.h"

#include <vector>

#include "errors.h"
#include "handles.h"
#include "stop_request.h"

namespace vorms {
namespace {

constexpr DWORD kPollMs = 20;
// Room for what a chatty tool writes between two polls, so that it is not held up.
constexpr DWORD kPipeBytes = 1 << 20;
// After the process ended, how long the pipe may take to show its last bytes or its end.
constexpr DWORD kFinalReadMs = 1000;

[[noreturn]] void Fail(const std::string& why) { throw RuntimeError(err::kInternal, why); }

// Takes whatever the pipe holds now, without waiting for more; false once the pipe has
// ended (every writer closed it).
bool Drain(HANDLE pipe, std::string& output) {
  DWORD available = 0;
  char buffer[16384];
  for (;;) {
    if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return false;
    if (available == 0) return true;
    DWORD got = 0;
    if (!::ReadFile(pipe, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr) || got == 0) {
      return false;
    }
    const std::size_t room = kCommandOutputLimit - std::min(output.size(), kCommandOutputLimit);
    output.append(buffer, std::min<std::size_t>(got, room));
  }
}

struct Child {
  Handle job;
  Handle process;
  Handle thread;
};

Child Start(const std::string& command_line, HANDLE output, HANDLE input) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = output;
  startup.hStdError = output;
  PROCESS_INFORMATION info{};
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW | CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &info)) {
    Fail("The command could not be started (system error " + std::to_string(::GetLastError()) + "): " +
         command_line);
  }
  Child child{Handle(::CreateJobObjectA(nullptr, nullptr)), Handle(info.hProcess), Handle(info.hThread)};
  // In a job, the interpreter's own children can be ended with it.
  if (child.job && !::AssignProcessToJobObject(child.job.get(), child.process.get())) child.job.reset();
  ::ResumeThread(child.thread.get());
  return child;
}

void End(const Child& child) {
  if (child.job) ::TerminateJobObject(child.job.get(), 1);
  ::TerminateProcess(child.process.get(), 1);
  ::WaitForSingleObject(child.process.get(), 5000);
}

}  // namespace

std::string ExecuteCommand(const std::string& command_line, DWORD limit_ms) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  Handle read_end, write_end;
  if (!::CreatePipe(read_end.receive(), write_end.receive(), &inheritable, kPipeBytes)) {
    Fail("The command's output pipe could not be made");
  }
  ::SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);
  FileHandle nothing(::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                   OPEN_EXISTING, 0, nullptr));
  Child child = Start(command_line, write_end.get(), nothing.get());
  write_end.reset();
  nothing.reset();

  std::string output;
  const ULONGLONG deadline = ::GetTickCount64() + limit_ms;
  HANDLE stop = StopEvent();
  for (;;) {
    Drain(read_end.get(), output);
    if (::WaitForSingleObject(child.process.get(), 0) == WAIT_OBJECT_0) break;
    if (stop && ::WaitForSingleObject(stop, 0) == WAIT_OBJECT_0) {
      End(child);
      Fail("The command was ended: the service is stopping");
    }
    if (::GetTickCount64() >= deadline) {
      End(child);
      Fail("The command did not end within " + std::to_string(limit_ms / 1000) + " s and was ended: " +
           command_line);
    }
    ::WaitForSingleObject(child.process.get(), kPollMs);
  }
  // What the process wrote before it ended, up to the pipe's end; not longer than a
  // moment, since something it started may still hold the write end.
  const ULONGLONG final_deadline = ::GetTickCount64() + kFinalReadMs;
  while (Drain(read_end.get(), output) && ::GetTickCount64() < final_deadline) ::Sleep(10);
  return output;
}

}  // namespace vorms
