// The forms RegSz's values take for clients: what SetValue writes for a VARIANT, what
// GetValue returns for stored data, and the lists it hands out.
//
// Every array RegSz returns is an array of VARIANTs, lower bound 0: the only array a
// script can index (Wine's VBScript cannot even hold an array of BSTR or of bytes). So
// texts come as VARIANTs holding BSTRs, binary data as VARIANTs holding bytes (VT_UI1),
// and SetValue takes both those and typed arrays of BSTR or bytes.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <string>
#include <vector>

#include "handles.h"

namespace vorms::reglib {

struct ValueData {
  DWORD type;
  std::string bytes;
};

// By the value's variant type: 16- or 32-bit integer REG_DWORD, text REG_SZ with its
// zero, list of texts REG_MULTI_SZ, bytes REG_BINARY (from index 0 to the upper bound;
// an array with a lower bound above 0 raises 9). Nothing for any other type (floating
// point, date, flag, empty, an array mixing types). The value is an argument as
// com::ValueArg gives it: its references followed and its array's tag checked, as the
// VARIANTs inside an array are before they are read.
std::optional<ValueData> DataFor(const VARIANT& value);

// What GetValue returns for stored data: REG_SZ its text before the first zero,
// REG_BINARY its bytes, REG_DWORD the 32-bit integer, REG_MULTI_SZ its texts (up to the
// first pair of zeros, or the data's end when it has none); any other type is empty.
// Nothing when a double word's data is longer than the number, so the caller gives
// its Default as for a failed read.
std::optional<Variant> VariantFor(DWORD type, const std::vector<BYTE>& data);

// A list of texts as clients receive it (an array of VARIANTs holding texts).
SafeArray TextList(const std::vector<std::string>& texts);

}  // namespace vorms::reglib
