// The registered type library carries the published identities: class and interface
// ids, function-table slots, dispatch ids, parameter names and types, enumerations.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "com_text.h"
#include "tavelund_fixture.h"
#include "type_library_checks.h"

namespace vorms::test {
namespace {

ComPtr<ITypeLib> RegisteredTypeLib() {
  ComPtr<ITypeLib> library;
  ::LoadRegTypeLib(Guid("{0782397E-2C8E-489A-9A14-D5081CD0D49D}"), 1, 0, LOCALE_NEUTRAL,
                   library.receive());
  return library;
}

TEST(TypeLibrary, IsRegisteredAsTavelundVersion1) {
  ExpectLibrary(RegisteredTypeLib().get(), "Tavelund");
}

TEST(TypeLibrary, ClassesAndTheirHiddenDualDefaultInterfaces) {
  const ClassIdentity classes[] = {
      {"{8D627C36-0539-464E-A490-7D9AA19D1F14}", "sRegistries",
       "{0276AD27-7328-4515-AA48-5BD0F2BFF0DD}", "_sRegistries", true},
      {"{7D33854C-46C1-481B-BA1F-D569CA1AF05D}", "RegSz", "{D8B3AFF7-8133-4698-86DF-3683E0F8ABB5}",
       "_RegSz", false},
  };
  ComPtr<ITypeLib> library = RegisteredTypeLib();
  ASSERT_TRUE(library);
  for (const ClassIdentity& c : classes) ExpectClass(library.get(), c);
}

TEST(TypeLibrary, sRegistriesMethodsInSlotOrder) {
  ComPtr<_sRegistries> object = CreateObject<_sRegistries>(CLSID_sRegistries);
  ASSERT_TRUE(object);
  ExpectMethods(RegisteredTypeLib().get(), "{0276AD27-7328-4515-AA48-5BD0F2BFF0DD}", object.get(),
                {
                    {0x60030000, "ExportRegKey(KeyRoot* KeyRoot, BSTR* KeyPath, BSTR* FileName) -> VARIANT_BOOL"},
                    {0x60030001, "ImportRegKey(KeyRoot* KeyRoot, BSTR* KeyPath, BSTR* FileName) -> VARIANT_BOOL"},
                    {0x60030002, "ReadRegKey(KeyRoot* KeyRoot, BSTR* KeyPath, BSTR* SubKey, [optional] VARIANT* NoKeyFoundValue) -> BSTR"},
                    {0x60030003, "WriteRegKey(KeyType* KeyType, KeyRoot* KeyRoot, BSTR* KeyPath, BSTR* SubKey, BSTR* SubKeyValue) -> VARIANT_BOOL"},
                    {0x60030004, "EnumerateRegKeys(KeyRoot* KeyRoot, BSTR* KeyPath) -> BSTR"},
                    {0x60030005, "EnumerateRegKeyValues(KeyRoot* KeyRoot, BSTR* KeyPath) -> BSTR"},
                    {0x60030006, "DeleteRegKey(KeyRoot* KeyRoot, BSTR* KeyPath, BSTR* SubKey) -> VARIANT_BOOL"},
                    {0x60030007, "DeleteRegKeyValue(KeyRoot* KeyRoot, BSTR* KeyPath, [optional] VARIANT* SubKey) -> VARIANT_BOOL"},
                    {0x6003000A, "Writelogs(BSTR* logs) -> VARIANT"},
                });
}

TEST(TypeLibrary, RegSzMethodsInSlotOrder) {
  ComPtr<_RegSz> object = CreateObject<_RegSz>(CLSID_RegSz);
  ASSERT_TRUE(object);
  ExpectMethods(RegisteredTypeLib().get(), "{D8B3AFF7-8133-4698-86DF-3683E0F8ABB5}", object.get(),
                {
                    {0x60030000, "KeyExists(KeyRoot Root, BSTR Key) -> VARIANT_BOOL"},
                    {0x60030001, "CreateKey(KeyRoot Root, BSTR Key) -> long"},
                    {0x60030002, "DeleteKey(KeyRoot Root, BSTR Key) -> long"},
                    {0x60030003, "EnumKeys(KeyRoot Root, BSTR Key) -> SAFEARRAY(VARIANT)"},
                    {0x60030004, "SetValue(KeyRoot* Root, BSTR* Key, BSTR* ValueName, VARIANT* Value) -> long"},
                    {0x60030005, "GetValue(KeyRoot* Root, BSTR* Key, BSTR* ValueName, VARIANT* Default) -> VARIANT"},
                    {0x60030006, "DeleteValue(KeyRoot Root, BSTR Key, BSTR ValueName) -> long"},
                    {0x60030007, "EnumValues(KeyRoot* Root, BSTR* Key, ENUM_TYPES* DataType) -> SAFEARRAY(VARIANT)"},
                });
}

TEST(TypeLibrary, EnumerationsAndTheirValues) {
  const std::pair<const char*, Members> enumerations[] = {
      {"KeyRoot",
       {{"HKEY_CLASSES_ROOT", static_cast<LONG>(0x80000000)},
        {"HKEY_CURRENT_USER", static_cast<LONG>(0x80000001)},
        {"HKEY_LOCAL_MACHINE", static_cast<LONG>(0x80000002)},
        {"HKEY_USERS", static_cast<LONG>(0x80000003)},
        {"HKEY_PERFORMANCE_DATA", static_cast<LONG>(0x80000004)},
        {"HKEY_CURRENT_CONFIG", static_cast<LONG>(0x80000005)},
        {"HKEY_DYN_DATA", static_cast<LONG>(0x80000006)}}},
      {"KeyType", {{"REG_SZ", 1}, {"REG_BINARY", 3}, {"REG_DWORD", 4}}},
      {"ENUM_TYPES",
       {{"REG_ALL", 0}, {"REG_SZ", 1}, {"REG_BINARY", 3}, {"REG_DWORD", 4}, {"REG_MULTI_SZ", 7}}},
  };
  ComPtr<ITypeLib> library = RegisteredTypeLib();
  ASSERT_TRUE(library);
  for (const auto& [name, members] : enumerations) {
    ComPtr<ITypeInfo> enumeration = TypeInfoNamed(library.get(), name);
    ASSERT_TRUE(enumeration) << name;
    EXPECT_EQ(Attributes(enumeration.get()).kind, TKIND_ENUM) << name;
    EXPECT_EQ(EnumMembers(enumeration.get()), members) << name;
  }
}

}  // namespace
}  // namespace vorms::test
