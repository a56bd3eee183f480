// What the tests of the COM libraries do as a client: register a library with regsvr32
// and create its objects by class id.
#pragma once

#include <windows.h>

#include <string>

#include "handles.h"

namespace vorms::test {

// Runs "regsvr32 <options> <library>"; its exit code, WAIT_TIMEOUT when it hung.
DWORD Regsvr32(const std::string& options, const std::string& library);

// CoCreateInstance by class id, asking for the class's default interface; empty when
// that fails.
template <typename Interface>
ComPtr<Interface> CreateObject(const CLSID& clsid) {
  ComPtr<Interface> object;
  ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(Interface),
                     object.receive_void());
  return object;
}

}  // namespace vorms::test
