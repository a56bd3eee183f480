#include "type_library.h"

#include "com_server.h"
#include "com_text.h"
#include "program.h"

namespace vorms::com {
namespace {

// A dual interface's dispatch half refers to its function-table half as index -1.
HRESULT FunctionTableHalf(ComPtr<ITypeInfo>& info) {
  TYPEATTR* attr = nullptr;
  HRESULT hr = info->GetTypeAttr(&attr);
  if (FAILED(hr)) return hr;
  const bool dual_dispatch = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
  info->ReleaseTypeAttr(attr);
  if (!dual_dispatch) return S_OK;
  HREFTYPE ref = 0;
  hr = info->GetRefTypeOfImplType(-1, &ref);
  ComPtr<ITypeInfo> vtable;
  if (SUCCEEDED(hr)) hr = info->GetRefTypeInfo(ref, vtable.receive());
  if (SUCCEEDED(hr)) info = vtable;
  return hr;
}

}  // namespace

HRESULT LoadModuleTypeLib(ComPtr<ITypeLib>& out) noexcept {
  try {
    Bstr path = ToBstr(ModulePath(ThisModule()));
    return ::LoadTypeLibEx(path.get(), REGKIND_NONE, out.receive());
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT LoadInterfaceTypeInfo(REFIID iid, ComPtr<ITypeInfo>& out) noexcept {
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadModuleTypeLib(library);
  if (SUCCEEDED(hr)) hr = library->GetTypeInfoOfGuid(iid, out.receive());
  if (SUCCEEDED(hr)) hr = FunctionTableHalf(out);
  return hr;
}

}  // namespace vorms::com
