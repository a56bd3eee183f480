#include "com_text.h"

#include <new>

namespace vorms {

Bstr ToBstr(std::string_view ansi) {
  const int length = static_cast<int>(ansi.size());
  const int wide = length == 0 ? 0 : ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
  Bstr text = Bstr::Attach(::SysAllocStringLen(nullptr, static_cast<UINT>(wide)));
  if (!text.get()) throw std::bad_alloc();
  if (wide > 0) ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, text.get(), wide);
  return text;
}

Variant TextVariant(std::string_view ansi) {
  Variant v;
  V_VT(v.get()) = VT_BSTR;
  V_BSTR(v.get()) = ToBstr(ansi).release();
  return v;
}

std::string FromBstr(BSTR text) {
  return FromUtf16(std::wstring_view(text ? text : L"", ::SysStringLen(text)));
}

std::string FromUtf16(std::wstring_view text) {
  const int length = static_cast<int>(text.size());
  if (length == 0) return {};
  const int narrow =
      ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(narrow), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, ansi.data(), narrow, nullptr, nullptr);
  return ansi;
}

}  // namespace vorms
