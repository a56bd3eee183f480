#include "command_runner.h"

#include <atomic>
#include <vector>

#include "errors.h"
#include "handles.h"
#include "stop_request.h"

namespace vorms {
namespace {

constexpr DWORD kPipeBytes = 64 * 1024;
// After the process ended, how long the pipe may take to show its last bytes or its end.
constexpr DWORD kFinalReadMs = 1000;

[[noreturn]] void Fail(const std::string& why) { throw RuntimeError(err::kInternal, why); }

// The child's standard output and error: an inbound named pipe whose reading end is read
// with overlapped calls, so that one wait watches the output, the process and the stop
// request together and takes every byte as soon as it is written (an anonymous pipe
// can only be polled, which a chatty tool outruns).
struct OutputPipe {
  FileHandle read_end;
  FileHandle write_end;  // inheritable, for the child
};

OutputPipe MakeOutputPipe() {
  static std::atomic<unsigned> serial{0};
  const std::string name = "\\\\.\\pipe\\vorms-command-" + std::to_string(::GetCurrentProcessId()) + "-" +
                           std::to_string(++serial) + "-" + std::to_string(::GetTickCount64());
  OutputPipe pipe;
  pipe.read_end.reset(::CreateNamedPipeA(
      name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0, kPipeBytes, 0, nullptr));
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  if (pipe.read_end) {
    pipe.write_end.reset(::CreateFileA(name.c_str(), GENERIC_WRITE, 0, &inheritable, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  if (!pipe.write_end) {
    Fail("The command's output pipe could not be made (system error " + std::to_string(::GetLastError()) + ")");
  }
  return pipe;
}

// One overlapped read at a time; what goes beyond the output limit is read and dropped,
// so that a chatty tool neither blocks on a full pipe nor fills the memory.
class PipeReader {
 public:
  explicit PipeReader(HANDLE pipe) : pipe_(pipe), done_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    if (!done_) Fail("The command's output pipe could not be read");
  }
  PipeReader(const PipeReader&) = delete;
  PipeReader& operator=(const PipeReader&) = delete;
  // A read in flight writes into this object: it is cancelled and waited for.
  ~PipeReader() {
    if (!pending_) return;
    DWORD got = 0;
    ::CancelIo(pipe_);
    ::GetOverlappedResult(pipe_, &overlapped_, &got, TRUE);
  }

  // Signalled when the read in flight has finished.
  HANDLE done() const { return done_.get(); }

  // Takes the bytes of a finished read and starts the next one; false once the pipe has
  // ended (every writer closed it).
  bool Pump(std::string& output) {
    if (pending_) {
      DWORD got = 0;
      if (!::GetOverlappedResult(pipe_, &overlapped_, &got, FALSE)) {
        if (::GetLastError() == ERROR_IO_INCOMPLETE) return true;
        pending_ = false;
        return false;
      }
      pending_ = false;
      const std::size_t room = kCommandOutputLimit - std::min(output.size(), kCommandOutputLimit);
      output.append(buffer_.data(), std::min<std::size_t>(got, room));
    }
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = done_.get();
    // A read that completes at once signals the event too; its bytes are taken next time.
    if (!::ReadFile(pipe_, buffer_.data(), kPipeBytes, nullptr, &overlapped_) && ::GetLastError() != ERROR_IO_PENDING) {
      return false;
    }
    pending_ = true;
    return true;
  }

 private:
  HANDLE pipe_;
  Handle done_;
  OVERLAPPED overlapped_{};
  bool pending_ = false;
  std::vector<char> buffer_ = std::vector<char>(kPipeBytes);
};

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

// Waits for the first of the events, at most timeout_ms; the index of the one that came,
// or the count when none did.
std::size_t WaitForFirst(const std::vector<HANDLE>& events, ULONGLONG timeout_ms) {
  const DWORD result = ::WaitForMultipleObjects(static_cast<DWORD>(events.size()), events.data(), FALSE,
                                                static_cast<DWORD>(timeout_ms));
  return result < WAIT_OBJECT_0 + events.size() ? result - WAIT_OBJECT_0 : events.size();
}

}  // namespace

std::string ExecuteCommand(const std::string& command_line, DWORD limit_ms) {
  OutputPipe pipe = MakeOutputPipe();
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  FileHandle nothing(::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                   OPEN_EXISTING, 0, nullptr));
  Child child = Start(command_line, pipe.write_end.get(), nothing.get());
  pipe.write_end.reset();
  nothing.reset();

  std::string output;
  PipeReader reader(pipe.read_end.get());
  const ULONGLONG deadline = ::GetTickCount64() + limit_ms;
  ULONGLONG final_deadline = 0;
  bool reading = reader.Pump(output);
  bool running = true;
  HANDLE stop = StopEvent();
  // Until the pipe has ended and the process too; once the process ended, its output is
  // awaited only for a moment, since something it started may still hold the pipe.
  while (reading || running) {
    const ULONGLONG now = ::GetTickCount64();
    if (running && now >= deadline) {
      End(child);
      Fail("The command did not end within " + std::to_string(limit_ms / 1000) + " s and was ended: " +
           command_line);
    }
    if (!running && now >= final_deadline) break;
    std::vector<HANDLE> events;  // the stop first: a tool that never stops talking must not hide it
    if (running && stop) events.push_back(stop);
    if (reading) events.push_back(reader.done());
    if (running) events.push_back(child.process.get());
    const std::size_t came = WaitForFirst(events, (running ? deadline : final_deadline) - now);
    if (came == events.size()) continue;
    if (events[came] == stop) {
      End(child);
      Fail("The command was ended: the service is stopping");
    } else if (events[came] == reader.done()) {
      reading = reader.Pump(output);
    } else {
      running = false;
      final_deadline = ::GetTickCount64() + kFinalReadMs;
    }
  }
  return output;
}

}  // namespace vorms
