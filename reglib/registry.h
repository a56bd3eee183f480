// The registry as both of Tavelund's classes reach it: root values, keys opened through
// the ANSI functions, and names enumerated without ever overrunning a buffer.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "handles.h"

namespace vorms::reglib {

// A KeyRoot value (0x80000000 HKEY_CLASSES_ROOT, ...) as the predefined key handle it
// stands for: the 32-bit value sign-extended, as the platform defines those handles.
HKEY RootKey(LONG root);

// RegOpenKeyExA; status receives the platform's code.
RegKey OpenKey(LONG root, const std::string& path, REGSAM access, LONG& status);

// One step of an enumeration: the platform's status, the whole buffer as the call
// left it, and the name in it.
struct EnumeratedName {
  LONG status = ERROR_NO_MORE_ITEMS;
  std::string buffer;
  std::string name;
};

// Calls read(buffer, capacity, length) with a buffer of 255 zero characters; while the
// platform answers that the name does not fit (ERROR_MORE_DATA) it calls again with a
// larger buffer, up to the longest name the registry allows. On success the name is the
// buffer cut to the length reported (length starts as the capacity), and before its
// first zero character.
using NameRead = std::function<LONG(char* buffer, DWORD capacity, DWORD& length)>;
EnumeratedName ReadName(const NameRead& read);

// The data of a value as the platform stores it; false when the value cannot be read
// (missing, or changed between the size and the read).
bool ReadValue(HKEY key, const std::string& name, DWORD& type, std::vector<BYTE>& data);

// A text value's data up to its first zero character (all of it when it has none).
std::string TextBeforeZero(const std::vector<BYTE>& data);

}  // namespace vorms::reglib
