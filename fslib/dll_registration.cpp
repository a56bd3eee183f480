#include "dll_registration.h"

#include <windows.h>

#include "handles.h"

namespace vorms::fslib {
namespace {

constexpr DWORD kEntryPointLimitMs = 10000;
// How long an ended worker may take to be gone before its library is released.
constexpr DWORD kEndedThreadWaitMs = 5000;

enum class Outcome { Nothing, NotLoaded, NoEntryPoint, Failed, Done };

using EntryPoint = HRESULT(STDAPICALLTYPE*)();

// The worker thread: the entry point takes no parameter, a thread routine takes one.
DWORD WINAPI RunEntryPoint(void* entry) {
  return static_cast<DWORD>(reinterpret_cast<EntryPoint>(entry)());
}

// Ends a worker that overran its time. The library may be released only once the thread
// is really gone (ending a thread does not wait for it); a thread that does not go keeps
// its library loaded for the rest of the process rather than run in unmapped code.
void EndOverrunningWorker(const Handle& thread, Module& library) {
  DWORD exit_code = 0;
  ::GetExitCodeThread(thread.get(), &exit_code);
  bool gone = ::TerminateThread(thread.get(), exit_code) &&
              ::WaitForSingleObject(thread.get(), kEndedThreadWaitMs) == WAIT_OBJECT_0;
  if (!gone) library.release();
}

Outcome RunRegistrationEntry(const std::string& file, const char* entry_name) {
  if (file.empty()) return Outcome::Nothing;
  Module library(::LoadLibraryA(file.c_str()));
  if (!library) return Outcome::NotLoaded;
  FARPROC entry = ::GetProcAddress(library.get(), entry_name);
  if (entry == nullptr) return Outcome::NoEntryPoint;
  Handle thread(::CreateThread(nullptr, 0, RunEntryPoint, reinterpret_cast<void*>(entry), 0,
                               nullptr));
  if (!thread) return Outcome::Nothing;
  if (::WaitForSingleObject(thread.get(), kEntryPointLimitMs) != WAIT_OBJECT_0) {
    EndOverrunningWorker(thread, library);
    return Outcome::Failed;
  }
  DWORD result = 0;
  ::GetExitCodeThread(thread.get(), &result);
  return FAILED(static_cast<HRESULT>(result)) ? Outcome::Failed : Outcome::Done;
}

std::string OutcomeText(Outcome outcome, const char* done_text) {
  switch (outcome) {
    case Outcome::Nothing: return {};
    case Outcome::NotLoaded: return "File Could Not Be Loaded Into Memory Space";
    case Outcome::NoEntryPoint: return "Not A Valid ActiveX Component";
    case Outcome::Failed: return "ActiveX Component Registration Failed";
    case Outcome::Done: return done_text;
  }
  return {};
}

}  // namespace

std::string RegisterDLL(const std::string& sFile) {
  return OutcomeText(RunRegistrationEntry(sFile, "DllRegisterServer"),
                     "ActiveX/DLL Component Registered Successfully");
}

std::string UnRegisterDLL(const std::string& sFile) {
  return OutcomeText(RunRegistrationEntry(sFile, "DllUnregisterServer"),
                     "ActiveX/DLL Component UnRegistered Successfully");
}

}  // namespace vorms::fslib
