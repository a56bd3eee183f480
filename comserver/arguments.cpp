#include "arguments.h"

#include <cstring>

#include "com_text.h"

namespace vorms::com {
namespace {

// No caller's variable lies further away: a longer chain of VARIANT references loops.
constexpr int kLongestReferenceChain = 16;

// The array features that say how SafeArrayGetElement copies, and SafeArrayDestroy
// frees, each element.
constexpr USHORT kElementKinds =
    FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH | FADF_VARIANT | FADF_RECORD;

bool LeftOut(const VARIANT& value) {
  return V_VT(&value) == VT_ERROR && V_ERROR(&value) == DISP_E_PARAMNOTFOUND;
}

// The size of a value held in place (in a VARIANT's data field, or where a typed
// reference points); 0 for a type whose value lies elsewhere.
std::size_t ValueSize(VARTYPE type) {
  switch (type) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
      return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
      return 8;
    default:
      return 0;
  }
}

std::size_t ElementSize(VARTYPE type) {
  switch (type) {
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH:
      return sizeof(void*);
    case VT_VARIANT:
      return sizeof(VARIANT);
    case VT_DECIMAL:
      return sizeof(DECIMAL);
    default:
      return ValueSize(type);
  }
}

USHORT ElementKind(VARTYPE type) {
  switch (type) {
    case VT_BSTR:
      return FADF_BSTR;
    case VT_UNKNOWN:
      return FADF_UNKNOWN;
    case VT_DISPATCH:
      return FADF_DISPATCH;
    case VT_VARIANT:
      return FADF_VARIANT;
    case VT_RECORD:
      return FADF_RECORD;
    default:
      return 0;
  }
}

// Whether the array's own descriptor bears out the element type its VARIANT claims: the
// type it records, the kind of element its features copy and free, and the element
// size. Reading elements by the claim then reads exactly what the caller handed over.
bool Holds(SAFEARRAY* array, VARTYPE claimed) {
  VARTYPE recorded = VT_EMPTY;
  if (FAILED(::SafeArrayGetVartype(array, &recorded)) || recorded != claimed) return false;
  if ((array->fFeatures & kElementKinds) != ElementKind(claimed)) return false;
  return claimed == VT_RECORD || array->cbElements == ElementSize(claimed);
}

void CheckArray(const VARIANT& value) {
  if (!(V_VT(&value) & VT_ARRAY)) return;
  SAFEARRAY* array = V_ISBYREF(&value) ? *V_ARRAYREF(&value) : V_ARRAY(&value);
  if (array && !Holds(array, V_VT(&value) & VT_TYPEMASK)) throw ComError(DISP_E_TYPEMISMATCH);
}

// Stores a value through a typed reference, converted to the referenced type first, so
// that a value the type cannot hold leaves the variable as it was. Only a value held in
// place, a text or a decimal can be stored: a reference to an array or an object cannot
// receive one.
void StoreThrough(VARIANT& reference, const VARIANT& value, LCID locale) {
  const VARTYPE type = V_VT(&reference) & ~VT_BYREF;
  const std::size_t size = ValueSize(type);
  if (size == 0 && type != VT_BSTR && type != VT_DECIMAL) throw ComError(DISP_E_TYPEMISMATCH);
  Variant converted;
  const HRESULT hr =
      ::VariantChangeTypeEx(converted.get(), const_cast<VARIANT*>(&value), locale, 0, type);
  if (FAILED(hr)) throw ComError(hr);
  if (type == VT_BSTR) {
    ::SysFreeString(*V_BSTRREF(&reference));
    *V_BSTRREF(&reference) = V_BSTR(converted.get());
    ::VariantInit(converted.get());  // the variable owns the text now
  } else if (type == VT_DECIMAL) {
    DECIMAL number = V_DECIMAL(converted.get());
    number.wReserved = 0;  // in a VARIANT that word is the type
    *V_DECIMALREF(&reference) = number;
  } else {
    std::memcpy(V_BYREF(&reference), &V_UI1(converted.get()), size);
  }
}

}  // namespace

std::string TextArg(BSTR text) { return FromBstr(text); }

std::string TextArg(const BSTR* text) { return FromBstr(Ref(text)); }

VARIANT& Referenced(VARIANT& argument) {
  VARIANT* value = &argument;
  for (int step = 0; V_VT(value) == (VT_BYREF | VT_VARIANT); ++step) {
    if (step == kLongestReferenceChain) throw ComError(DISP_E_TYPEMISMATCH);
    value = V_VARIANTREF(value);
    if (!value) throw ComError(E_POINTER);
  }
  if (V_ISBYREF(value) && !V_BYREF(value)) throw ComError(E_POINTER);
  return *value;
}

Variant ValueArg(const VARIANT* value) {
  const VARIANT& referenced = Referenced(const_cast<VARIANT&>(Ref(value)));
  CheckArray(referenced);
  Variant copy;
  ThrowIfFailed(::VariantCopyInd(copy.get(), const_cast<VARIANT*>(&referenced)));
  return copy;
}

std::string OptionalTextArg(const VARIANT* value) {
  if (!value) return {};
  Variant given = ValueArg(value);
  if (LeftOut(*given.get())) return {};
  Variant text;
  HRESULT hr = ::VariantChangeType(text.get(), given.get(), 0, VT_BSTR);
  if (FAILED(hr)) throw ComError(hr);
  return FromBstr(V_BSTR(text.get()));
}

void SetTextArg(VARIANT* argument, std::string_view text, LCID text_locale) {
  if (!argument) return;
  VARIANT& target = Referenced(*argument);
  if (LeftOut(target)) return;
  Variant value = TextVariant(text);
  if (V_ISBYREF(&target)) return StoreThrough(target, *value.get(), text_locale);
  ThrowIfFailed(::VariantClear(&target));
  value.release(&target);
}

VARIANT_BOOL Flag(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

BSTR TextResult(std::string_view text) { return ToBstr(text).release(); }

}  // namespace vorms::com
