#include "s_registries.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "arguments.h"
#include "conversions.h"
#include "errors.h"
#include "logs.h"
#include "program.h"
#include "registry.h"

namespace vorms::reglib {
namespace {

using com::Flag;
using com::OptionalTextArg;
using com::Ref;
using com::SetTextArg;
using com::TextArg;
using com::TextResult;

constexpr REGSAM kFullAccess = 0xF003F;
constexpr REGSAM kReadAccess = 0x20019;
constexpr REGSAM kWriteAccess = 0x20006;

// Every method but ImportRegKey and Writelogs ends with its neutral result (false or
// empty text) instead of raising.
template <typename T, typename Fn>
T Trapped(T neutral, Fn&& fn) {
  return ReturnOnError(std::move(neutral), std::forward<Fn>(fn), IgnoreError);
}

std::string LogPath() { return ModuleFolder(com::ThisModule()) + "\\libreglogs.txt"; }

void Writelog(const std::string& text) { AppendLine(LogPath(), text); }

// The enumeration's diagnostic lines: a line that cannot be written is skipped.
void LogLine(const std::string& text) {
  ResumeNext([&] { Writelog(text); });
}

std::string WithoutFinalComma(std::string list) {
  if (!list.empty()) list.pop_back();
  return list;
}

bool EnablePrivilege(const char* name) {
  Handle token;
  ::SetLastError(0);  // only an error of the token's opening counts, not an older one
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                          token.receive()) ||
      ::GetLastError() != 0) {
    return false;
  }
  LUID id{};
  if (!::LookupPrivilegeValueA(nullptr, name, &id)) return false;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0] = {id, SE_PRIVILEGE_ENABLED};
  return ::AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof privileges, nullptr,
                                 nullptr) != FALSE;
}

// A text value up to its first zero character; any other type as the 32-bit signed
// number in its first four bytes (fewer bytes are padded with zeros), so data longer
// than a number is read whole and never overruns anything.
std::string QueryValueText(HKEY key, const std::string& name) {
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!ReadValue(key, name, type, data)) return {};
  if (type == REG_SZ) return TextBeforeZero(data);
  int32_t number = 0;
  std::memcpy(&number, data.data(), std::min<std::size_t>(data.size(), sizeof number));
  return std::to_string(number);
}

bool ExportKey(LONG root, const std::string& key_path, const std::string& file_name) {
  return Trapped(false, [&] {
    if (!EnablePrivilege("SeBackupPrivilege")) return false;
    LONG status = 0;
    RegKey key = OpenKey(root, key_path, kFullAccess, status);
    if (status != ERROR_SUCCESS) return false;
    ::DeleteFileA(file_name.c_str());
    if (::RegSaveKeyA(key.get(), file_name.c_str(), nullptr) == ERROR_SUCCESS) return true;
    ::DeleteFileA(file_name.c_str());  // what a refused save may leave is no saved key
    return false;
  });
}

// The saved key, loaded as a hive of its own under HKEY_USERS for as long as this lives.
class LoadedHive {
 public:
  explicit LoadedHive(const std::string& file_name) : name_(UniqueName()) {
    status_ = ::RegLoadKeyA(HKEY_USERS, name_.c_str(), file_name.c_str());
  }
  ~LoadedHive() {
    if (status_ == ERROR_SUCCESS) ::RegUnLoadKeyA(HKEY_USERS, name_.c_str());
  }
  LoadedHive(const LoadedHive&) = delete;
  LoadedHive& operator=(const LoadedHive&) = delete;

  LONG status() const { return status_; }
  const std::string& name() const { return name_; }

 private:
  static std::string UniqueName() {
    static LONG counter = 0;
    return "Tavelund.Restore." + std::to_string(::GetCurrentProcessId()) + "." +
           std::to_string(::InterlockedIncrement(&counter));
  }

  std::string name_;
  LONG status_ = ERROR_SUCCESS;
};

// Wine's RegRestoreKey reports success and restores nothing. There the file is loaded as
// a hive (which also checks that it is one) and copied over the key's emptied contents;
// unlike the platform's forced restore this is not atomic and keeps default security.
LONG LoadAndCopyKey(HKEY key, const std::string& file_name) {
  EnablePrivilege("SeBackupPrivilege");  // loading a hive asks for both privileges
  LoadedHive hive(file_name);
  if (hive.status() != ERROR_SUCCESS) return hive.status();
  RegKey saved;
  LONG status = ::RegOpenKeyExA(HKEY_USERS, hive.name().c_str(), 0, KEY_READ, saved.receive());
  if (status == ERROR_SUCCESS) status = ::RegDeleteTreeA(key, nullptr);
  if (status == ERROR_SUCCESS) status = ::RegCopyTreeA(saved.get(), nullptr, key);
  return status;
}

bool RunningOnWine() {
  return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

// Replaces everything below the key with the file's contents.
LONG RestoreKey(HKEY key, const std::string& file_name) {
  if (RunningOnWine()) return LoadAndCopyKey(key, file_name);
  return ::RegRestoreKeyA(key, file_name.c_str(), REG_FORCE_RESTORE);
}

bool ImportKey(LONG root, const std::string& key_path, const std::string& file_name) {
  if (!EnablePrivilege("SeRestorePrivilege")) return false;
  LONG status = 0;
  RegKey key = OpenKey(root, key_path, kFullAccess, status);
  if (status != ERROR_SUCCESS) return false;
  return RestoreKey(key.get(), file_name) == ERROR_SUCCESS;
}

std::string ReadKey(LONG root, const std::string& key_path, const std::string& value_name,
                    const std::string& no_key_found_value) {
  return Trapped(std::string(), [&] {
    LONG status = 0;
    RegKey key = OpenKey(root, key_path, kReadAccess, status);
    if (status != ERROR_SUCCESS) return no_key_found_value;
    return QueryValueText(key.get(), value_name);
  });
}

// SubKeyValue as the single byte of a binary value; outside 0..255 is an overflow.
BYTE ToByte(const std::string& text) {
  int32_t number = ToInt32(text);
  if (number < 0 || number > 255) throw RuntimeError(err::kOverflow);
  return static_cast<BYTE>(number);
}

LONG SetValue(HKEY key, const std::string& name, DWORD type, const void* data, std::size_t size) {
  return ::RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data),
                          static_cast<DWORD>(size));
}

// A number that is not one, or out of range, is written as 0.
LONG WriteTyped(HKEY key, LONG key_type, const std::string& name, const std::string& value) {
  switch (key_type) {
    case REG_SZ:
      return SetValue(key, name, REG_SZ, value.c_str(), value.size() + 1);
    case REG_BINARY: {
      BYTE byte = 0;
      ResumeNext([&] { byte = ToByte(value); });
      return SetValue(key, name, REG_BINARY, &byte, sizeof byte);
    }
    case REG_DWORD: {
      int32_t number = 0;
      ResumeNext([&] { number = ToInt32(value); });
      return SetValue(key, name, REG_DWORD, &number, sizeof number);
    }
    default:
      return ERROR_SUCCESS;  // nothing to write
  }
}

bool WriteKey(LONG key_type, LONG root, const std::string& key_path, const std::string& value_name,
              const std::string& value) {
  return Trapped(false, [&] {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    RegKey key;
    char no_class[] = "";
    if (::RegCreateKeyExA(RootKey(root), key_path.c_str(), 0, no_class, REG_OPTION_NON_VOLATILE,
                          kWriteAccess, &inheritable, key.receive(), nullptr) != ERROR_SUCCESS) {
      return false;
    }
    return WriteTyped(key.get(), key_type, value_name, value) == ERROR_SUCCESS;
  });
}

std::string EnumerateKeys(LONG root, const std::string& key_path) {
  return Trapped(std::string(), [&] {
    LONG status = 0;
    RegKey key = OpenKey(root, key_path, KEY_ENUMERATE_SUB_KEYS, status);
    if (status != ERROR_SUCCESS) return std::string();
    std::string list;
    for (DWORD index = 0;; ++index) {
      EnumeratedName entry = ReadName([&](char* buffer, DWORD, DWORD& length) {
        return ::RegEnumKeyExA(key.get(), index, buffer, &length, nullptr, nullptr, nullptr,
                               nullptr);
      });
      if (entry.status != ERROR_SUCCESS) break;
      list += entry.name + ",";
    }
    return WithoutFinalComma(list);
  });
}

std::string EnumerateValues(LONG root, const std::string& key_path) {
  return Trapped(std::string(), [&] {
    LogLine("====================\r\n\r\n");
    LogLine("KeyRoot=" + std::to_string(root));
    LogLine("KeyPath=" + key_path);
    LogLine("RegOpenKeyEx");
    LONG status = 0;
    RegKey key = OpenKey(root, key_path, KEY_QUERY_VALUE, status);
    LogLine("ReturnValue=" + std::to_string(status));
    if (status != ERROR_SUCCESS) {
      LogLine("Exit with error opening");
      return std::string();
    }
    std::string list;
    for (DWORD index = 0;; ++index) {
      EnumeratedName entry = ReadName([&](char* buffer, DWORD, DWORD& length) {
        return ::RegEnumValueA(key.get(), index, buffer, &length, nullptr, nullptr, nullptr,
                               nullptr);
      });
      LogLine("ReturnValue Do =" + std::to_string(index) + " " + std::to_string(entry.status) +
              " " + entry.buffer);
      if (entry.status != ERROR_SUCCESS) break;
      LogLine("MyBuffer=" + entry.name);
      list += entry.name + "*" + QueryValueText(key.get(), entry.name) + ",";
      LogLine("Counter=" + std::to_string(index) + " " + list);
    }
    return WithoutFinalComma(list);
  });
}

bool DeleteKey(LONG root, const std::string& key_path, const std::string& sub_key) {
  return Trapped(false, [&] {
    return ::RegDeleteKeyA(RootKey(root), (key_path + "\\" + sub_key).c_str()) == ERROR_SUCCESS;
  });
}

// An empty value name stands for the value named like the key path (not the key's
// default value), and the caller's SubKey receives that name once the key is open and
// before the delete: a SubKey that cannot hold it is the caller's error, not trapped,
// and the value stays.
bool DeleteKeyValue(LONG root, const std::string& key_path, const std::string& value_name,
                    const std::function<void(const std::string&)>& receive_name) {
  RegKey key = Trapped(RegKey(), [&] {
    LONG status = 0;
    return OpenKey(root, key_path, kFullAccess, status);
  });
  if (!key) return false;
  const std::string name = value_name.empty() ? key_path : value_name;
  if (value_name.empty()) receive_name(name);
  return Trapped(false,
                 [&] { return ::RegDeleteValueA(key.get(), name.c_str()) == ERROR_SUCCESS; });
}

}  // namespace

HRESULT sRegistries::ExportRegKey(KeyRoot* root, BSTR* key_path, BSTR* file_name,
                                  VARIANT_BOOL* result) {
  return Call([&] {
    Ref(result) = Flag(ExportKey(Ref(root), TextArg(key_path), TextArg(file_name)));
  });
}

HRESULT sRegistries::ImportRegKey(KeyRoot* root, BSTR* key_path, BSTR* file_name,
                                  VARIANT_BOOL* result) {
  return Call([&] {
    Ref(result) = Flag(ImportKey(Ref(root), TextArg(key_path), TextArg(file_name)));
  });
}

HRESULT sRegistries::ReadRegKey(KeyRoot* root, BSTR* key_path, BSTR* sub_key,
                                VARIANT* no_key_found_value, BSTR* result) {
  return Call([&] {
    Ref(result) = TextResult(ReadKey(Ref(root), TextArg(key_path), TextArg(sub_key),
                                     OptionalTextArg(no_key_found_value)));
  });
}

HRESULT sRegistries::WriteRegKey(KeyType* key_type, KeyRoot* root, BSTR* key_path, BSTR* sub_key,
                                 BSTR* sub_key_value, VARIANT_BOOL* result) {
  return Call([&] {
    Ref(result) = Flag(WriteKey(Ref(key_type), Ref(root), TextArg(key_path), TextArg(sub_key),
                                TextArg(sub_key_value)));
  });
}

HRESULT sRegistries::EnumerateRegKeys(KeyRoot* root, BSTR* key_path, BSTR* result) {
  return Call([&] { Ref(result) = TextResult(EnumerateKeys(Ref(root), TextArg(key_path))); });
}

HRESULT sRegistries::EnumerateRegKeyValues(KeyRoot* root, BSTR* key_path, BSTR* result) {
  return Call([&] { Ref(result) = TextResult(EnumerateValues(Ref(root), TextArg(key_path))); });
}

HRESULT sRegistries::DeleteRegKey(KeyRoot* root, BSTR* key_path, BSTR* sub_key,
                                  VARIANT_BOOL* result) {
  return Call([&] {
    Ref(result) = Flag(DeleteKey(Ref(root), TextArg(key_path), TextArg(sub_key)));
  });
}

HRESULT sRegistries::DeleteRegKeyValue(KeyRoot* root, BSTR* key_path, VARIANT* sub_key,
                                       VARIANT_BOOL* result) {
  return Call([&] {
    const LONG where = Ref(root);
    const std::string path = TextArg(key_path);
    Ref(result) = Flag(DeleteKeyValue(where, path, OptionalTextArg(sub_key),
                                      [&](const std::string& name) { SetTextArg(sub_key, name); }));
  });
}

HRESULT sRegistries::Writelogs(BSTR* logs, VARIANT* result) {
  return Call([&] {
    Writelog(TextArg(logs));
    ::VariantInit(&Ref(result));
  });
}

}  // namespace vorms::reglib
