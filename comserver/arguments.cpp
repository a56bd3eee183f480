#include "arguments.h"

#include "com_text.h"

namespace vorms::com {
namespace {

bool LeftOut(const VARIANT* value) {
  return V_VT(value) == VT_ERROR && V_ERROR(value) == DISP_E_PARAMNOTFOUND;
}

// The VARIANT that a by-reference VARIANT argument finally stands for.
VARIANT* Referenced(VARIANT* argument) {
  while (V_VT(argument) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(argument)) {
    argument = V_VARIANTREF(argument);
  }
  return argument;
}

}  // namespace

std::string TextArg(BSTR text) { return FromBstr(text); }

std::string TextArg(const BSTR* text) { return FromBstr(Ref(text)); }

std::string OptionalTextArg(const VARIANT* value) {
  if (!value || LeftOut(value)) return {};
  Variant text;
  HRESULT hr = ::VariantChangeType(text.get(), const_cast<VARIANT*>(value), 0, VT_BSTR);
  if (FAILED(hr)) throw ComError(hr);
  return FromBstr(V_BSTR(text.get()));
}

void SetTextArg(VARIANT* argument, std::string_view text) {
  if (!argument) return;
  VARIANT* target = Referenced(argument);
  if (LeftOut(target)) return;
  Bstr value = ToBstr(text);
  if (V_VT(target) == (VT_BYREF | VT_BSTR) && V_BSTRREF(target)) {
    ::SysFreeString(*V_BSTRREF(target));
    *V_BSTRREF(target) = value.release();
    return;
  }
  ::VariantClear(target);
  V_VT(target) = VT_BSTR;
  V_BSTR(target) = value.release();
}

VARIANT_BOOL Flag(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

BSTR TextResult(std::string_view text) { return ToBstr(text).release(); }

}  // namespace vorms::com
