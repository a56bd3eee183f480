#include "service_core_fixture.h"

#include <windows.h>

#include <stdexcept>

#include "handles.h"
#include "test_support.h"

namespace vorms::test {
namespace {

constexpr char kVendorKey[] = "SOFTWARE\\TrendMicro";
constexpr char kRecordKey[] = "SOFTWARE\\TrendMicro\\OfficeScan\\service\\Information";

void RemoveVendorKey() { ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kVendorKey); ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kVendorKey); }

RegKey CreateRecordKey() {
  RegKey key;
  if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                        key.receive(), nullptr) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot create the server record key");
  }
  return key;
}

}  // namespace

ServerRecord::ServerRecord() { RemoveVendorKey(); }
ServerRecord::~ServerRecord() { RemoveVendorKey(); }

void ServerRecord::CreateKey() const { CreateRecordKey(); }

void ServerRecord::SetLocalPath(const std::string& path) const {
  RegKey key = CreateRecordKey();
  ::RegSetValueExA(key.get(), "Local_Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>(path.size() + 1));
}

std::vector<std::string> Events(const std::string& path) {
  std::vector<std::string> lines = ReadLines(path);
  for (auto& line : lines) line = line.size() > 20 ? line.substr(20) : line;
  return lines;
}

}  // namespace vorms::test
