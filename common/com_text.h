// Text between the system's ANSI code page, in which the registry, files and the
// run-time keep their strings, and COM strings (BSTR, UTF-16).
#pragma once

#include <string>
#include <string_view>

#include "handles.h"

namespace vorms {

// A new BSTR holding the text (embedded zero characters included).
Bstr ToBstr(std::string_view ansi);

// The BSTR's whole text (embedded zero characters included); a null BSTR is empty text.
std::string FromBstr(BSTR text);

// A VARIANT holding the text as a COM string.
Variant TextVariant(std::string_view ansi);

// A UTF-16 text in the ANSI code page.
std::string FromUtf16(std::wstring_view text);

}  // namespace vorms
