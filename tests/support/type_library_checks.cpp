#include "type_library_checks.h"

#include <gtest/gtest.h>

#include "com_text.h"

namespace vorms::test {
namespace {

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

}  // namespace

GUID Guid(const char* text) {
  GUID guid{};
  ::CLSIDFromString(ToBstr(text).get(), &guid);
  return guid;
}

void ExpectLibrary(ITypeLib* library, const char* name) {
  ASSERT_TRUE(library);
  Bstr text;
  library->GetDocumentation(-1, text.receive(), nullptr, nullptr, nullptr);
  EXPECT_EQ(FromBstr(text.get()), name);
  TLIBATTR* attr = nullptr;
  library->GetLibAttr(&attr);
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  library->ReleaseTLibAttr(attr);
}

std::string Name(ITypeInfo* info, MEMBERID member) {
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

TypeAttributes Attributes(ITypeInfo* info) {
  TYPEATTR* attr = nullptr;
  info->GetTypeAttr(&attr);
  TypeAttributes result{attr->typekind, attr->wTypeFlags, attr->cFuncs, attr->cVars};
  info->ReleaseTypeAttr(attr);
  return result;
}

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

ComPtr<ITypeInfo> FunctionTable(ITypeInfo* dispatch) {
  HREFTYPE ref = 0;
  ComPtr<ITypeInfo> table;
  if (SUCCEEDED(dispatch->GetRefTypeOfImplType(-1, &ref))) {
    dispatch->GetRefTypeInfo(ref, table.receive());
  }
  return table;
}

void ExpectMethods(ITypeLib* library, const char* interface_id, IDispatch* object,
                   const std::vector<Method>& expected) {
  ComPtr<ITypeInfo> table = FunctionTable(TypeInfo(library, interface_id).get());
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

void ExpectClass(ITypeLib* library, const ClassIdentity& c) {
  SCOPED_TRACE(c.name);
  ComPtr<ITypeInfo> coclass = TypeInfo(library, c.clsid);
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

}  // namespace vorms::test
