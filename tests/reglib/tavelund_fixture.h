// What the Tavelund tests share: the library registered for real (a copy in a temporary
// folder, so that its log file lands there too), a private registry area per test, and
// the raw registry reads and writes that set up and check the cases independently of
// the library.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "handles.h"
#include "tavelund.h"

namespace vorms::test {

constexpr LONG kCurrentUser = static_cast<LONG>(0x80000001);  // KeyRoot HKEY_CURRENT_USER

// The folder of the registered copy of Tavelund.dll (and of its "libreglogs.txt").
std::string LibraryFolder();
std::string LibraryPath();
std::string LibraryLog();

// regsvr32 on the registered copy; the exit code.
DWORD RegisterLibrary();
DWORD UnregisterLibrary();

// CoCreateInstance by class id, asking for the class's default interface.
template <typename Interface>
ComPtr<Interface> CreateObject(const CLSID& clsid) {
  ComPtr<Interface> object;
  ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(Interface),
                     object.receive_void());
  return object;
}

// VARIANTs as clients pass them.
Variant Text(const std::string& text);
Variant Long(int32_t number);
Variant LeftOut();  // an optional argument the caller leaves out

// A value as the registry holds it.
struct RawValue {
  bool exists = false;
  DWORD type = REG_NONE;
  std::string bytes;
};

std::string Dword(int32_t number);  // the four bytes of a REG_DWORD

// HKEY_CURRENT_USER\Software\VormsTest\<test>-<process>-<n>, removed with everything
// below it at the end.
class TestKey {
 public:
  TestKey();
  ~TestKey();
  TestKey(const TestKey&) = delete;
  TestKey& operator=(const TestKey&) = delete;

  const std::string& path() const { return path_; }
  std::string Below(const std::string& sub) const { return path_ + "\\" + sub; }

  void Set(const std::string& name, DWORD type, const std::string& bytes,
           const std::string& sub = "") const;
  void SetText(const std::string& name, const std::string& text, const std::string& sub = "") const;
  void Create(const std::string& sub) const;
  RawValue Get(const std::string& name, const std::string& sub = "") const;
  bool Exists(const std::string& sub = "") const;
  std::vector<std::string> ValueNames() const;

 private:
  std::string path_;
};

}  // namespace vorms::test
