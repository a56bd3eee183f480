// The registered type library carries the published identities: class and interface
// ids, function-table slots, dispatch ids, parameter names and types, enumerations.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "com_text.h"
#include "tavelund_fixture.h"

namespace vorms::test {
namespace {

GUID Guid(const char* text) {
  GUID guid{};
  ::CLSIDFromString(ToBstr(text).get(), &guid);
  return guid;
}

ComPtr<ITypeLib> RegisteredTypeLib() {
  ComPtr<ITypeLib> library;
  ::LoadRegTypeLib(Guid("{0782397E-2C8E-489A-9A14-D5081CD0D49D}"), 1, 0, LOCALE_NEUTRAL,
                   library.receive());
  return library;
}

std::string Name(ITypeInfo* info, MEMBERID member = MEMBERID_NIL) {
  Bstr name;
  info->GetDocumentation(member, name.receive(), nullptr, nullptr, nullptr);
  return FromBstr(name.get());
}

ComPtr<ITypeInfo> TypeInfo(ITypeLib* library, const char* guid) {
  ComPtr<ITypeInfo> info;
  library->GetTypeInfoOfGuid(Guid(guid), info.receive());
  return info;
}

ComPtr<ITypeInfo> TypeInfoNamed(ITypeLib* library, const std::string& name) {
  for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
    ComPtr<ITypeInfo> info;
    library->GetTypeInfo(i, info.receive());
    if (Name(info.get()) == name) return info;
  }
  return {};
}

struct TypeAttributes {
  TYPEKIND kind;
  WORD flags;
  WORD functions;
  WORD variables;
};

TypeAttributes Attributes(ITypeInfo* info) {
  TYPEATTR* attr = nullptr;
  info->GetTypeAttr(&attr);
  TypeAttributes result{attr->typekind, attr->wTypeFlags, attr->cFuncs, attr->cVars};
  info->ReleaseTypeAttr(attr);
  return result;
}

// A parameter or result type as IDL writes it: "KeyRoot*", "BSTR", "SAFEARRAY(VARIANT)".
std::string TypeText(ITypeInfo* info, const TYPEDESC& type) {
  switch (type.vt) {
    case VT_PTR: return TypeText(info, *type.lptdesc) + "*";
    case VT_SAFEARRAY: return "SAFEARRAY(" + TypeText(info, *type.lptdesc) + ")";
    case VT_USERDEFINED: {
      ComPtr<ITypeInfo> referenced;
      info->GetRefTypeInfo(type.hreftype, referenced.receive());
      return Name(referenced.get());
    }
    case VT_BSTR: return "BSTR";
    case VT_BOOL: return "VARIANT_BOOL";
    case VT_VARIANT: return "VARIANT";
    case VT_I4: return "long";
    case VT_HRESULT: return "HRESULT";
    default: return "vt" + std::to_string(type.vt);
  }
}

// "ReadRegKey(KeyRoot* KeyRoot, ..., [optional] VARIANT* NoKeyFoundValue) -> BSTR"
std::string Signature(ITypeInfo* info, const FUNCDESC& function) {
  BSTR names[16] = {};
  UINT count = 0;
  info->GetNames(function.memid, names, 16, &count);
  std::string text = FromBstr(names[0]) + "(";
  std::string result = "void";
  for (SHORT i = 0; i < function.cParams; ++i) {
    const ELEMDESC& parameter = function.lprgelemdescParam[i];
    const USHORT flags = parameter.paramdesc.wParamFlags;
    const std::string type = TypeText(info, parameter.tdesc);
    if (flags & PARAMFLAG_FRETVAL) {
      result = type.substr(0, type.size() - 1);  // the result's own type, not its pointer
      continue;
    }
    if (i > 0) text += ", ";
    if (flags & PARAMFLAG_FOPT) text += "[optional] ";
    text += type + " " + FromBstr(names[i + 1]);
  }
  for (BSTR name : names) ::SysFreeString(name);
  return text + ") -> " + result;
}

struct Method {
  DISPID id;
  const char* signature;
};

// The function-table half of a dual interface, where the slots are.
ComPtr<ITypeInfo> FunctionTable(ITypeInfo* dispatch) {
  HREFTYPE ref = 0;
  ComPtr<ITypeInfo> table;
  if (SUCCEEDED(dispatch->GetRefTypeOfImplType(-1, &ref))) {
    dispatch->GetRefTypeInfo(ref, table.receive());
  }
  return table;
}

// Each method in its slot (7 onwards, after IUnknown and IDispatch), with its dispatch
// id, parameters and result; the object answers the same ids by name.
void ExpectMethods(const char* interface_id, IDispatch* object,
                   const std::vector<Method>& expected) {
  ComPtr<ITypeLib> library = RegisteredTypeLib();
  ComPtr<ITypeInfo> table = FunctionTable(TypeInfo(library.get(), interface_id).get());
  ASSERT_TRUE(table);
  ASSERT_EQ(Attributes(table.get()).functions, expected.size());
  for (std::size_t slot = 0; slot < expected.size(); ++slot) {
    FUNCDESC* function = nullptr;
    ASSERT_EQ(table->GetFuncDesc(static_cast<UINT>(slot), &function), S_OK);
    const std::string signature = Signature(table.get(), *function);
    SCOPED_TRACE(signature);
    EXPECT_EQ(signature, expected[slot].signature);
    EXPECT_EQ(function->memid, expected[slot].id);
    EXPECT_EQ(function->oVft, static_cast<SHORT>((7 + slot) * sizeof(void*)));
    table->ReleaseFuncDesc(function);

    Bstr name = ToBstr(signature.substr(0, signature.find('(')));
    LPOLESTR names[] = {name.get()};
    DISPID id = 0;
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, expected[slot].id);
  }
}

TEST(TypeLibrary, IsRegisteredAsTavelundVersion1) {
  ComPtr<ITypeLib> library = RegisteredTypeLib();
  ASSERT_TRUE(library);
  Bstr name;
  library->GetDocumentation(-1, name.receive(), nullptr, nullptr, nullptr);
  EXPECT_EQ(FromBstr(name.get()), "Tavelund");
  TLIBATTR* attr = nullptr;
  library->GetLibAttr(&attr);
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  library->ReleaseTLibAttr(attr);
}

struct ClassIdentity {
  const char* clsid;
  const char* name;
  const char* interface_id;
  const char* interface_name;
  bool application_object;
};

TEST(TypeLibrary, ClassesAndTheirHiddenDualDefaultInterfaces) {
  const ClassIdentity classes[] = {
      {"{8D627C36-0539-464E-A490-7D9AA19D1F14}", "sRegistries",
       "{0276AD27-7328-4515-AA48-5BD0F2BFF0DD}", "_sRegistries", true},
      {"{7D33854C-46C1-481B-BA1F-D569CA1AF05D}", "RegSz", "{D8B3AFF7-8133-4698-86DF-3683E0F8ABB5}",
       "_RegSz", false},
  };
  ComPtr<ITypeLib> library = RegisteredTypeLib();
  ASSERT_TRUE(library);
  for (const ClassIdentity& c : classes) {
    SCOPED_TRACE(c.name);
    ComPtr<ITypeInfo> coclass = TypeInfo(library.get(), c.clsid);
    ASSERT_TRUE(coclass);
    EXPECT_EQ(Name(coclass.get()), c.name);
    const TypeAttributes attributes = Attributes(coclass.get());
    EXPECT_EQ(attributes.kind, TKIND_COCLASS);
    EXPECT_TRUE(attributes.flags & TYPEFLAG_FCANCREATE);
    EXPECT_EQ((attributes.flags & TYPEFLAG_FAPPOBJECT) != 0, c.application_object);

    INT implementation_flags = 0;
    coclass->GetImplTypeFlags(0, &implementation_flags);
    EXPECT_TRUE(implementation_flags & IMPLTYPEFLAG_FDEFAULT);
    HREFTYPE ref = 0;
    coclass->GetRefTypeOfImplType(0, &ref);
    ComPtr<ITypeInfo> default_interface;
    coclass->GetRefTypeInfo(ref, default_interface.receive());
    ASSERT_TRUE(default_interface);
    EXPECT_EQ(Name(default_interface.get()), c.interface_name);
    TYPEATTR* attr = nullptr;
    default_interface->GetTypeAttr(&attr);
    EXPECT_EQ(attr->guid, Guid(c.interface_id));
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FHIDDEN);
    default_interface->ReleaseTypeAttr(attr);
  }
}

TEST(TypeLibrary, sRegistriesMethodsInSlotOrder) {
  ComPtr<_sRegistries> object = CreateObject<_sRegistries>(CLSID_sRegistries);
  ASSERT_TRUE(object);
  ExpectMethods("{0276AD27-7328-4515-AA48-5BD0F2BFF0DD}", object.get(),
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
  ExpectMethods("{D8B3AFF7-8133-4698-86DF-3683E0F8ABB5}", object.get(),
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

using Members = std::vector<std::pair<std::string, LONG>>;

Members EnumMembers(ITypeInfo* enumeration) {
  Members members;
  for (UINT i = 0; i < Attributes(enumeration).variables; ++i) {
    VARDESC* variable = nullptr;
    enumeration->GetVarDesc(i, &variable);
    members.emplace_back(Name(enumeration, variable->memid), V_I4(variable->lpvarValue));
    enumeration->ReleaseVarDesc(variable);
  }
  return members;
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
