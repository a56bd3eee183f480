// Reading a type library the way its clients do, for the tests of the COM libraries:
// identities, function-table slots, dispatch ids, signatures and enumerations.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>
#include <vector>

#include "handles.h"

namespace vorms::test {

GUID Guid(const char* text);

// The library's name and version 1.0.
void ExpectLibrary(ITypeLib* library, const char* name);

std::string Name(ITypeInfo* info, MEMBERID member = MEMBERID_NIL);
ComPtr<ITypeInfo> TypeInfo(ITypeLib* library, const char* guid);
ComPtr<ITypeInfo> TypeInfoNamed(ITypeLib* library, const std::string& name);

struct TypeAttributes {
  TYPEKIND kind;
  WORD flags;
  WORD functions;
  WORD variables;
};
TypeAttributes Attributes(ITypeInfo* info);

// "ReadRegKey(KeyRoot* KeyRoot, ..., [optional] VARIANT* NoKeyFoundValue) -> BSTR"
std::string Signature(ITypeInfo* info, const FUNCDESC& function);

// The function-table half of a dual interface, where the slots are.
ComPtr<ITypeInfo> FunctionTable(ITypeInfo* dispatch);

struct Method {
  DISPID id;
  const char* signature;
};

// Each method in its slot (7 onwards, after IUnknown and IDispatch), with its dispatch
// id, parameters and result; the object answers the same ids by name.
void ExpectMethods(ITypeLib* library, const char* interface_id, IDispatch* object,
                   const std::vector<Method>& expected);

struct ClassIdentity {
  const char* clsid;
  const char* name;
  const char* interface_id;
  const char* interface_name;
  bool application_object;
};

// A creatable class whose default interface is the given hidden dual interface.
void ExpectClass(ITypeLib* library, const ClassIdentity& identity);

using Members = std::vector<std::pair<std::string, LONG>>;
Members EnumMembers(ITypeInfo* enumeration);

}  // namespace vorms::test
