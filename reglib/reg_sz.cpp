#include "reg_sz.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "arguments.h"
#include "com_text.h"
#include "errors.h"
#include "registry.h"

namespace vorms::reglib {
namespace {

using com::Flag;
using com::Ref;
using com::TextArg;
using com::TextVariant;

constexpr REGSAM kExistsAccess = 0x19;  // query value, enumerate subkeys, notify
constexpr REGSAM kValueAccess = 0x3F;
constexpr LONG kAllTypes = 0;  // ENUM_TYPES REG_ALL

void ThrowIfFailed(HRESULT hr) {
  if (FAILED(hr)) throw com::ComError(hr);
}

// A list as clients receive it: an array of VARIANTs holding texts, lower bound 0, which
// script clients can index (an array of BSTR they cannot).
SafeArray TextList(const std::vector<std::string>& texts) {
  SafeArray list(::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(texts.size())));
  if (!list) throw RuntimeError(err::kOutOfMemory);
  for (LONG i = 0; i < static_cast<LONG>(texts.size()); ++i) {
    Variant element;
    V_VT(element.get()) = VT_BSTR;
    V_BSTR(element.get()) = ToBstr(texts[static_cast<std::size_t>(i)]).release();
    ThrowIfFailed(::SafeArrayPutElement(list.get(), &i, element.get()));
  }
  return list;
}

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

// The bounds of a one-dimensional array; anything else is not a list.
std::pair<LONG, LONG> Bounds(SAFEARRAY* array) {
  if (!array) throw RuntimeError(err::kSubscriptOutOfRange);
  if (::SafeArrayGetDim(array) != 1) throw RuntimeError(err::kInvalidArgument);
  LONG lower = 0;
  LONG upper = -1;
  ThrowIfFailed(::SafeArrayGetLBound(array, 1, &lower));
  ThrowIfFailed(::SafeArrayGetUBound(array, 1, &upper));
  return {lower, upper};
}

// The texts of an array of BSTR, or of an array of VARIANTs that all hold texts (what
// script clients have); nothing for an array of VARIANTs holding anything else.
std::optional<std::vector<std::string>> Texts(SAFEARRAY* array, VARTYPE element_type) {
  std::vector<std::string> texts;
  const auto [lower, upper] = Bounds(array);
  for (LONG i = lower; i <= upper; ++i) {
    if (element_type == VT_BSTR) {
      Bstr element;
      ThrowIfFailed(::SafeArrayGetElement(array, &i, element.receive()));
      texts.push_back(FromBstr(element.get()));
    } else {
      Variant element;
      ThrowIfFailed(::SafeArrayGetElement(array, &i, element.receive()));
      if (element.type() != VT_BSTR) return std::nullopt;
      texts.push_back(FromBstr(V_BSTR(element.get())));
    }
  }
  return texts;
}

// The bytes from index 0 to the upper bound; an array that starts above 0 has no
// element 0 (subscript out of range).
std::string Bytes(SAFEARRAY* array) {
  const auto [lower, upper] = Bounds(array);
  if (lower > 0) throw RuntimeError(err::kSubscriptOutOfRange);
  std::string bytes;
  for (LONG i = 0; i <= upper; ++i) {
    BYTE byte = 0;
    ThrowIfFailed(::SafeArrayGetElement(array, &i, &byte));
    bytes += static_cast<char>(byte);
  }
  return bytes;
}

struct ValueData {
  DWORD type;
  std::string bytes;
};

ValueData DwordData(int32_t number) {
  std::string bytes(sizeof number, '\0');
  std::memcpy(bytes.data(), &number, sizeof number);
  return {REG_DWORD, bytes};
}

// The texts each followed by a zero character, plus the final zero.
ValueData MultiSzData(const std::vector<std::string>& texts) {
  std::string bytes;
  for (std::size_t i = 0; i < texts.size(); ++i) bytes += (i ? std::string(1, '\0') : "") + texts[i];
  bytes += std::string(2, '\0');
  return {REG_MULTI_SZ, bytes};
}

// What SetValue writes for a value, by its variant type; nothing for floating point,
// dates, flags, empty and the rest.
std::optional<ValueData> DataFor(const VARIANT& value) {
  switch (V_VT(&value)) {
    case VT_I2:
      return DwordData(V_I2(&value));
    case VT_I4:
      return DwordData(V_I4(&value));
    case VT_BSTR:
      return ValueData{REG_SZ, FromBstr(V_BSTR(&value)) + '\0'};
    case VT_ARRAY | VT_BSTR:
    case VT_ARRAY | VT_VARIANT: {
      auto texts = Texts(V_ARRAY(&value), V_VT(&value) & VT_TYPEMASK);
      if (!texts) return std::nullopt;
      return MultiSzData(*texts);
    }
    case VT_ARRAY | VT_UI1:
      return ValueData{REG_BINARY, Bytes(V_ARRAY(&value))};
    default:
      return std::nullopt;
  }
}

// A write or delete that fails is reported; the close's status otherwise.
LONG CloseStatus(RegKey& key, LONG operation) {
  LONG closed = ::RegCloseKey(key.release());
  return operation != ERROR_SUCCESS ? operation : closed;
}

LONG WriteValue(LONG root, const std::string& key, const std::string& name, const VARIANT& value) {
  if (!KeyOpens(root, key)) {
    if (LONG created = CreateKeyStatus(root, key); created != ERROR_SUCCESS) return created;
  }
  LONG status = 0;
  RegKey handle = OpenKey(root, key, kValueAccess, status);
  if (status != ERROR_SUCCESS) return status;
  Variant direct;
  ThrowIfFailed(::VariantCopyInd(direct.get(), const_cast<VARIANT*>(&value)));
  std::optional<ValueData> data = DataFor(*direct.get());
  LONG written = ERROR_SUCCESS;
  if (data) {
    written = ::RegSetValueExA(handle.get(), name.c_str(), 0, data->type,
                               reinterpret_cast<const BYTE*>(data->bytes.data()),
                               static_cast<DWORD>(data->bytes.size()));
  }
  return CloseStatus(handle, written);
}

Variant ArrayVariant(VARTYPE element_type, SafeArray array) {
  Variant v;
  V_VT(v.get()) = VT_ARRAY | element_type;
  V_ARRAY(v.get()) = array.release();
  return v;
}

Variant ByteArray(const std::vector<BYTE>& data) {
  SafeArray array(::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(data.size())));
  if (!array) throw RuntimeError(err::kOutOfMemory);
  for (LONG i = 0; i < static_cast<LONG>(data.size()); ++i) {
    BYTE byte = data[static_cast<std::size_t>(i)];
    ThrowIfFailed(::SafeArrayPutElement(array.get(), &i, &byte));
  }
  return ArrayVariant(VT_UI1, std::move(array));
}

// The texts of a multi-string: up to its first pair of zero characters, or, when the
// data holds none, to its end (without a last zero).
std::vector<std::string> MultiSzTexts(const std::vector<BYTE>& data) {
  std::string text(data.begin(), data.end());
  std::size_t end = text.find(std::string(2, '\0'));
  if (end == std::string::npos) end = !text.empty() && text.back() == '\0' ? text.size() - 1 : text.size();
  text.resize(end);
  std::vector<std::string> texts;
  if (text.empty()) return texts;
  std::size_t start = 0;
  for (std::size_t zero; (zero = text.find('\0', start)) != std::string::npos; start = zero + 1) {
    texts.push_back(text.substr(start, zero - start));
  }
  texts.push_back(text.substr(start));
  return texts;
}

Variant Copy(const VARIANT& value) {
  Variant copy;
  ThrowIfFailed(::VariantCopyInd(copy.get(), const_cast<VARIANT*>(&value)));
  return copy;
}

Variant ReadTypedValue(LONG root, const std::string& key, const std::string& name,
                       const VARIANT& default_value) {
  LONG status = 0;
  RegKey handle = OpenKey(root, key, kExistsAccess, status);
  if (status != ERROR_SUCCESS) return Variant();
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!ReadValue(handle.get(), name, type, data)) return Copy(default_value);
  switch (type) {
    case REG_SZ: {
      std::string text(data.begin(), data.end());
      return TextVariant(text.substr(0, text.find('\0')));
    }
    case REG_BINARY:
      return ByteArray(data);
    case REG_DWORD: {
      if (data.size() > sizeof(int32_t)) return Copy(default_value);  // does not fit the number
      Variant number;
      V_VT(number.get()) = VT_I4;
      V_I4(number.get()) = 0;
      std::memcpy(&V_I4(number.get()), data.data(), data.size());
      return number;
    }
    case REG_MULTI_SZ:
      return ArrayVariant(VT_VARIANT, TextList(MultiSzTexts(data)));
    default:
      return Variant();
  }
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
    Ref(result) = WriteValue(Ref(root), TextArg(key), TextArg(value_name), Ref(value));
  });
}

HRESULT RegSz::GetValue(KeyRoot* root, BSTR* key, BSTR* value_name, VARIANT* default_value,
                        VARIANT* result) {
  return Call([&] {
    ReadTypedValue(Ref(root), TextArg(key), TextArg(value_name), Ref(default_value))
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
