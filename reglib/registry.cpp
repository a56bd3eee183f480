#include "registry.h"

#include <algorithm>

namespace vorms::reglib {
namespace {

constexpr DWORD kFirstNameBuffer = 255;
// Value names reach 16383 characters; in a double-byte code page twice as many bytes.
constexpr DWORD kLargestNameBuffer = 32768 * 2;

}  // namespace

HKEY RootKey(LONG root) { return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(root)); }

RegKey OpenKey(LONG root, const std::string& path, REGSAM access, LONG& status) {
  RegKey key;
  status = ::RegOpenKeyExA(RootKey(root), path.c_str(), 0, access, key.receive());
  return key;
}

EnumeratedName ReadName(const NameRead& read) {
  EnumeratedName result;
  DWORD capacity = kFirstNameBuffer;
  for (;;) {
    result.buffer.assign(capacity, '\0');
    DWORD length = capacity;
    result.status = read(result.buffer.data(), capacity, length);
    if (result.status == ERROR_MORE_DATA && capacity < kLargestNameBuffer) {
      capacity = std::min(capacity * 2, kLargestNameBuffer);
      continue;
    }
    if (result.status == ERROR_SUCCESS) {
      std::string name = result.buffer.substr(0, std::min<DWORD>(length, capacity));
      result.name = name.substr(0, name.find('\0'));
    }
    return result;
  }
}

bool ReadValue(HKEY key, const std::string& name, DWORD& type, std::vector<BYTE>& data) {
  DWORD size = 0;
  if (::RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return false;
  }
  data.assign(size, 0);
  if (::RegQueryValueExA(key, name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS) {
    return false;
  }
  data.resize(size);
  return true;
}

std::string TextBeforeZero(const std::vector<BYTE>& data) {
  std::string text(data.begin(), data.end());
  return text.substr(0, text.find('\0'));
}

}  // namespace vorms::reglib
