#include "com_objects.h"

#include "com_text.h"

namespace vorms {

ComApartment::ComApartment()
    : initialized_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}

ComApartment::~ComApartment() {
  if (initialized_) ::CoUninitialize();
}

void* CreateObjectByClassId(const CLSID& clsid, const IID& iid) {
  void* object = nullptr;
  HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, &object);
  if (FAILED(hr) || object == nullptr) throw RuntimeError(err::kCannotCreateObject);
  return object;
}

void CheckCall(HRESULT hr) {
  if (SUCCEEDED(hr)) return;
  std::string description = "Automation error";
  ComPtr<IErrorInfo> info;
  if (::GetErrorInfo(0, info.receive()) == S_OK && info) {
    Bstr text;
    if (SUCCEEDED(info->GetDescription(text.receive())) && ::SysStringLen(text.get()) > 0) {
      description = FromBstr(text.get());
    }
  }
  throw RuntimeError(static_cast<int>(hr), description);
}

}  // namespace vorms
