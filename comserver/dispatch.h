// Objects of the libraries' classes. A class derives from DispatchObject<Interface>,
// where Interface is its default dual interface from the widl-generated header, and
// implements that interface's methods, each body wrapped in Call:
//
//   class RegSz final : public vorms::com::DispatchObject<_RegSz> {
//    public:
//     HRESULT STDMETHODCALLTYPE DeleteKey(KeyRoot Root, BSTR Key, LONG* status) override {
//       return Call([&] { *status = ...; });
//     }
//   };
//
// DispatchObject supplies IUnknown, ISupportErrorInfo and IDispatch; IDispatch is served
// from the embedded type library (DispGetIDsOfNames / DispInvoke), so names, dispatch
// ids, argument conversion and optional arguments are exactly what the type library says.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <exception>
#include <new>

#include "com_server.h"
#include "handles.h"
#include "type_library.h"

namespace vorms::com {

// A failure that reaches the client as this very code (for instance DISP_E_TYPEMISMATCH
// for an argument that cannot be converted).
class ComError : public std::exception {
 public:
  explicit ComError(HRESULT result) : result_(result) {}
  HRESULT result() const { return result_; }
  const char* what() const noexcept override { return "COM error"; }

 private:
  HRESULT result_;
};

// A failed COM call inside a method fails the method with the same code.
inline void ThrowIfFailed(HRESULT result) {
  if (FAILED(result)) throw ComError(result);
}

// The failure code for the exception being handled. A run-time error (errors.h) becomes
// MAKE_HRESULT(1, FACILITY_CONTROL, number), the code the run-time gives its errors,
// with its description as the error information that script clients show; the source
// is the type library's name. A ComError gives its own code.
HRESULT CurrentErrorResult(ITypeInfo* type_info, REFIID iid) noexcept;

// Refuses a dispatch call whose arguments the type library's dispatch would read through
// a reference to nothing (a null pointer, or VARIANT references that never reach a
// value): DISP_E_TYPEMISMATCH, with *bad_argument the argument's index. S_OK otherwise.
HRESULT CheckArgumentReferences(const DISPPARAMS* params, UINT* bad_argument) noexcept;

template <typename Interface>
class DispatchObject : public Interface, public ISupportErrorInfo {
 public:
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;
  virtual ~DispatchObject() { ObjectDestroyed(); }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(Interface)) {
      *out = static_cast<Interface*>(this);
    } else if (riid == IID_ISupportErrorInfo) {
      *out = static_cast<ISupportErrorInfo*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return refs_.AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return refs_.Release(this); }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    type_info_->AddRef();
    *out = type_info_.get();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return ::DispGetIDsOfNames(type_info_.get(), names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* bad_argument) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (HRESULT refused = CheckArgumentReferences(params, bad_argument); FAILED(refused)) {
      return refused;
    }
    return ::DispInvoke(static_cast<Interface*>(this), type_info_.get(), id, flags, params, result,
                        exception, bad_argument);
  }

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
    return riid == __uuidof(Interface) ? S_OK : S_FALSE;
  }

 protected:
  DispatchObject() { ObjectCreated(); }

  // Runs a method's body and gives the method's result: S_OK, or the failure code of
  // what the body threw (CurrentErrorResult).
  template <typename Fn>
  HRESULT Call(Fn&& body) noexcept {
    try {
      body();
      return S_OK;
    } catch (...) {
      return CurrentErrorResult(type_info_.get(), __uuidof(Interface));
    }
  }

 private:
  template <typename T>
  friend HRESULT Create(REFIID riid, void** out) noexcept;

  HRESULT LoadTypeInfo() { return LoadInterfaceTypeInfo(__uuidof(Interface), type_info_); }

  ReferenceCount refs_;
  ComPtr<ITypeInfo> type_info_;
};

// The Creator of a class T derived from DispatchObject (see com_server.h).
template <typename T>
HRESULT Create(REFIID riid, void** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  T* object = new (std::nothrow) T();
  if (!object) return E_OUTOFMEMORY;
  HRESULT hr = object->LoadTypeInfo();
  if (SUCCEEDED(hr)) hr = object->QueryInterface(riid, out);
  object->Release();
  return hr;
}

}  // namespace vorms::com
