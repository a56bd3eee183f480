// Arguments and results of the libraries' methods: between COM's forms (BSTR, VARIANT,
// VARIANT_BOOL, by-reference pointers) and the C++ code's (std::string in the ANSI code
// page, bool). A malformed argument throws ComError, which DispatchObject::Call turns
// into the method's failure code: E_POINTER for a reference to nothing,
// DISP_E_TYPEMISMATCH for an argument of a kind the method cannot take (as the
// platform's own conversions answer), before anything is read from it or written.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

#include "dispatch.h"
#include "handles.h"

namespace vorms::com {

// A by-value text argument.
std::string TextArg(BSTR text);

// A by-reference text argument; a null pointer fails with E_POINTER.
std::string TextArg(const BSTR* text);

// What a by-reference argument, or the result's out-parameter, points to; a null pointer
// fails with E_POINTER.
template <typename T>
T& Ref(T* pointer) {
  if (!pointer) throw ComError(E_POINTER);
  return *pointer;
}

// The VARIANT an argument finally stands for: where its VT_BYREF|VT_VARIANT references
// lead (the caller's variable), itself possibly a typed reference (VT_BYREF|VT_I4...).
// A reference to nothing fails with E_POINTER; references that never reach a value (one
// that refers to itself) with DISP_E_TYPEMISMATCH.
VARIANT& Referenced(VARIANT& argument);

// A VARIANT argument's value as the method's own copy, every reference followed. An
// array must hold what its tag says (VT_ARRAY|VT_BSTR an array of BSTRs...): the array's
// own descriptor is checked before any element is read, and one that does not bear the
// tag out is a type mismatch. A null pointer fails with E_POINTER.
Variant ValueArg(const VARIANT* value);

// An optional text argument declared as VARIANT* (widl cannot give a by-reference text
// a default value). Left out (or a null pointer) it reads as empty text; anything else
// is converted to text, and what cannot be (Null, an object) fails with the conversion's
// code, DISP_E_TYPEMISMATCH.
std::string OptionalTextArg(const VARIANT* value);

// Hands a text back through a by-reference VARIANT argument, into the caller's variable.
// A VARIANT variable (the argument, or where its VARIANT references lead) receives the
// text. A typed variable (VT_BYREF|VT_I4, VT_BYREF|VT_DATE...) receives it converted to
// its type, read in text_locale; a text its type cannot hold, or a reference to an array
// or an object, is a type mismatch (the conversion's code) and the variable keeps its
// value. An argument that was left out receives nothing.
void SetTextArg(VARIANT* argument, std::string_view text, LCID text_locale = LOCALE_USER_DEFAULT);

VARIANT_BOOL Flag(bool value);

// A text result, owned by the client.
BSTR TextResult(std::string_view text);

}  // namespace vorms::com
