// Ostrilen.dll as its clients see it: registered with regsvr32, created through COM by
// class id, called through its interfaces' function tables.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

#include "com_text.h"
#include "handles.h"
#include "ostrilen.h"
#include "test_support.h"

namespace vorms::test {

std::string OstrilenPath();

// Runs regsvr32 (/u: unregister) silently on Ostrilen.dll; its exit code.
DWORD RunRegsvr32(bool unregister);

// An object of one of the library's classes, by class id, asked for its default interface.
template <typename Interface>
ComPtr<Interface> CreateObject(REFCLSID clsid) {
  ComPtr<Interface> object;
  HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(Interface),
                                  object.receive_void());
  if (FAILED(hr)) throw std::runtime_error("CoCreateInstance failed: " + std::to_string(hr));
  return object;
}

}  // namespace vorms::test
