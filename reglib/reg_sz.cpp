#include "reg_sz.h"

#include <optional>
#include <string>
#include <vector>

#include "arguments.h"
#include "errors.h"
#include "registry.h"
#include "value_forms.h"

namespace vorms::reglib {
namespace {

using com::Flag;
using com::Ref;
using com::TextArg;
using com::ValueArg;

constexpr REGSAM kExistsAccess = 0x19;  // query value, enumerate subkeys, notify
constexpr REGSAM kValueAccess = 0x3F;
constexpr LONG kAllTypes = 0;  // ENUM_TYPES REG_ALL

// The name list of EnumKeys and EnumValues: element 0 is empty, the names follow.
std::vector<std::string> NameList() { return {std::string()}; }

bool KeyOpens(LONG root, const std::string& key) {
  LONG status = 0;
  OpenKey(root, key, kExistsAccess, status);
  return status == ERROR_SUCCESS;
}

LONG CreateKeyStatus(LONG root, const std::string& key) {
  RegKey handle;
  LONG status = ::RegCreateKeyExA(RootKey(root), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  kValueAccess, nullptr, handle.receive(), nullptr);
  if (status == ERROR_SUCCESS) ::RegFlushKey(handle.get());
  return status;
}

std::vector<std::string> KeyNames(LONG root, const std::string& key) {
  std::vector<std::string> names = NameList();
  LONG status = 0;
  RegKey handle = OpenKey(root, key, KEY_ENUMERATE_SUB_KEYS, status);
  if (status != ERROR_SUCCESS) return names;
  for (DWORD index = 0;; ++index) {
    EnumeratedName entry = ReadName([&](char* buffer, DWORD capacity, DWORD&) {
      return ::RegEnumKeyA(handle.get(), index, buffer, capacity);
    });
    if (entry.status != ERROR_SUCCESS) break;
    names.push_back(entry.name);
  }
  return names;
}

std::vector<std::string> ValueNames(LONG root, const std::string& key, LONG data_type) {
  std::vector<std::string> names = NameList();
  LONG status = 0;
  RegKey handle = OpenKey(root, key, KEY_QUERY_VALUE, status);
  if (status != ERROR_SUCCESS ||
      ::RegQueryInfoKeyA(handle.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return names;
  }
  for (DWORD index = 0;; ++index) {
    DWORD type = 0;
    EnumeratedName entry = ReadName([&](char* buffer, DWORD, DWORD& length) {
      return ::RegEnumValueA(handle.get(), index, buffer, &length, nullptr, &type, nullptr,
                             nullptr);
    });
    if (entry.status == ERROR_SUCCESS &&
        (data_type == kAllTypes || static_cast<DWORD>(data_type) == type)) {
      names.push_back(entry.name);
    }
    // A name too long even for the largest buffer is skipped, the enumeration goes on.
    if (entry.status != ERROR_SUCCESS && entry.status != ERROR_MORE_DATA) break;
  }
  return names;
}

// A write or delete that fails is reported; the close's status otherwise.
LONG CloseStatus(RegKey& key, LONG operation) {
  LONG closed = ::RegCloseKey(key.release());
  return operation != ERROR_SUCCESS ? operation : closed;
}

// The data comes from the Value already read, so that a Value the method refuses leaves
// the registry as it was, the key included.
LONG WriteValue(LONG root, const std::string& key, const std::string& name,
                const std::optional<ValueData>& data) {
  if (!KeyOpens(root, key)) {
    if (LONG created = CreateKeyStatus(root, key); created != ERROR_SUCCESS) return created;
  }
  LONG status = 0;
  RegKey handle = OpenKey(root, key, kValueAccess, status);
  if (status != ERROR_SUCCESS) return status;
  LONG written = ERROR_SUCCESS;
  if (data) {
    written = ::RegSetValueExA(handle.get(), name.c_str(), 0, data->type,
                               reinterpret_cast<const BYTE*>(data->bytes.data()),
                               static_cast<DWORD>(data->bytes.size()));
  }
  return CloseStatus(handle, written);
}

Variant ReadTypedValue(LONG root, const std::string& key, const std::string& name,
                       Variant default_value) {
  LONG status = 0;
  RegKey handle = OpenKey(root, key, kExistsAccess, status);
  if (status != ERROR_SUCCESS) return Variant();
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!ReadValue(handle.get(), name, type, data)) return default_value;
  std::optional<Variant> value = VariantFor(type, data);
  return value ? std::move(*value) : std::move(default_value);
}

// A delete of a value that is not there leaves the key as asked: no failure.
LONG DeleteNamedValue(LONG root, const std::string& key, const std::string& name) {
  LONG status = 0;
  RegKey handle = OpenKey(root, key, kValueAccess, status);
  if (status != ERROR_SUCCESS) return status;
  LONG deleted = ::RegDeleteValueA(handle.get(), name.c_str());
  return CloseStatus(handle, deleted == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : deleted);
}

// EnumKeys and EnumValues end without any list when something unexpected fails.
SafeArray TrappedList(const std::function<std::vector<std::string>()>& names) {
  return ReturnOnError(SafeArray(), [&] { return TextList(names()); }, IgnoreError);
}

}  // namespace

HRESULT RegSz::KeyExists(KeyRoot root, BSTR key, VARIANT_BOOL* result) {
  return Call([&] { Ref(result) = Flag(KeyOpens(root, TextArg(key))); });
}

HRESULT RegSz::CreateKey(KeyRoot root, BSTR key, LONG* result) {
  return Call([&] { Ref(result) = CreateKeyStatus(root, TextArg(key)); });
}

HRESULT RegSz::DeleteKey(KeyRoot root, BSTR key, LONG* result) {
  return Call([&] { Ref(result) = ::RegDeleteKeyA(RootKey(root), TextArg(key).c_str()); });
}

HRESULT RegSz::EnumKeys(KeyRoot root, BSTR key, SAFEARRAY** result) {
  return Call([&] {
    const std::string path = TextArg(key);
    Ref(result) = TrappedList([&] { return KeyNames(root, path); }).release();
  });
}

HRESULT RegSz::SetValue(KeyRoot* root, BSTR* key, BSTR* value_name, VARIANT* value,
                        LONG* result) {
  return Call([&] {
    Ref(result) = WriteValue(Ref(root), TextArg(key), TextArg(value_name),
                             DataFor(*ValueArg(value).get()));
  });
}

HRESULT RegSz::GetValue(KeyRoot* root, BSTR* key, BSTR* value_name, VARIANT* default_value,
                        VARIANT* result) {
  return Call([&] {
    ReadTypedValue(Ref(root), TextArg(key), TextArg(value_name), ValueArg(default_value))
        .release(&Ref(result));
  });
}

HRESULT RegSz::DeleteValue(KeyRoot root, BSTR key, BSTR value_name, LONG* result) {
  return Call([&] { Ref(result) = DeleteNamedValue(root, TextArg(key), TextArg(value_name)); });
}

HRESULT RegSz::EnumValues(KeyRoot* root, BSTR* key, ENUM_TYPES* data_type, SAFEARRAY** result) {
  return Call([&] {
    const LONG where = Ref(root);
    const std::string path = TextArg(key);
    const LONG type = Ref(data_type);
    Ref(result) = TrappedList([&] { return ValueNames(where, path, type); }).release();
  });
}

}  // namespace vorms::reglib
