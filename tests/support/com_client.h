// What the tests of the COM libraries do as a client: register a library with regsvr32
// and create its objects by class id.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "handles.h"

namespace vorms::test {

// Runs "regsvr32 <options> <library>"; its exit code, WAIT_TIMEOUT when it hung.
DWORD Regsvr32(const std::string& options, const std::string& library);

// VARIANTs as clients pass them.
Variant Text(const std::string& text);
Variant Long(int32_t number);
Variant LeftOut();  // an optional argument the caller leaves out

// CoCreateInstance by class id, asking for the class's default interface; empty when
// that fails.
template <typename Interface>
ComPtr<Interface> CreateObject(const CLSID& clsid) {
  ComPtr<Interface> object;
  ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(Interface),
                     object.receive_void());
  return object;
}

// IDispatch::Invoke of a method with positional arguments, first to last, as a dispatch
// client passes them: each VARIANT goes into DISPPARAMS as it is (a reference stays a
// reference) and is handed back as the call left its slot. The method's own failure
// (DISP_E_EXCEPTION) gives the method's code; bad_argument receives the index of an
// argument the dispatch refuses.
HRESULT DispatchCall(IDispatch* object, DISPID id, std::vector<VARIANT*> arguments,
                     VARIANT* result = nullptr, UINT* bad_argument = nullptr);

struct RegisteredClass {
  const char* clsid;
  const char* prog_id;
};

// What regsvr32 writes for an in-process server: per class its CLSID key (InprocServer32
// with the library's path and ThreadingModel Apartment, ProgID, TypeLib) and its ProgID
// key; the type library's key; each interface's TypeLib.
struct ServerRegistration {
  std::string library_path;
  const char* library_id;
  std::vector<RegisteredClass> classes;
  std::vector<const char*> interfaces;
};

void ExpectRegistered(const ServerRegistration& server);
void ExpectUnregistered(const ServerRegistration& server);

}  // namespace vorms::test
