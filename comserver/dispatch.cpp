#include "dispatch.h"

#include "arguments.h"
#include "com_text.h"
#include "errors.h"

namespace vorms::com {
namespace {

Bstr LibraryName(ITypeInfo* type_info) {
  ComPtr<ITypeLib> library;
  UINT index = 0;
  Bstr name;
  if (type_info && SUCCEEDED(type_info->GetContainingTypeLib(library.receive(), &index))) {
    library->GetDocumentation(-1, name.receive(), nullptr, nullptr, nullptr);
  }
  return name;
}

// Leaves the error information that the caller's GetErrorInfo, or ITypeInfo::Invoke on
// behalf of a dispatch client, reads.
void SetErrorInfoFor(ITypeInfo* type_info, REFIID iid, const RuntimeError& error) {
  ComPtr<ICreateErrorInfo> create;
  if (FAILED(::CreateErrorInfo(create.receive()))) return;
  Bstr source = LibraryName(type_info);
  Bstr description = ToBstr(error.description());
  create->SetGUID(iid);
  create->SetSource(source.get());
  create->SetDescription(description.get());
  ComPtr<IErrorInfo> info;
  if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, info.receive_void()))) {
    ::SetErrorInfo(0, info.get());
  }
}

}  // namespace

HRESULT CurrentErrorResult(ITypeInfo* type_info, REFIID iid) noexcept {
  try {
    try {
      throw;
    } catch (const ComError& e) {
      ::SetErrorInfo(0, nullptr);  // no description: none left from an earlier failure either
      return e.result();
    } catch (...) {
      const RuntimeError error = detail::CurrentError();
      SetErrorInfoFor(type_info, iid, error);
      return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, error.number());
    }
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT CheckArgumentReferences(const DISPPARAMS* params, UINT* bad_argument) noexcept {
  if (!params || params->cArgs == 0) return S_OK;
  if (!params->rgvarg) return E_INVALIDARG;
  for (UINT index = 0; index < params->cArgs; ++index) {
    try {
      Referenced(params->rgvarg[index]);
    } catch (const ComError&) {
      if (bad_argument) *bad_argument = index;
      return DISP_E_TYPEMISMATCH;
    }
  }
  return S_OK;
}

}  // namespace vorms::com
