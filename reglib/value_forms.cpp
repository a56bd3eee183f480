#include "value_forms.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <span>

#include "arguments.h"
#include "com_text.h"
#include "dispatch.h"
#include "errors.h"
#include "registry.h"

namespace vorms::reglib {
namespace {

using com::ThrowIfFailed;

Variant ByteVariant(BYTE byte) {
  Variant v;
  V_VT(v.get()) = VT_UI1;
  V_UI1(v.get()) = byte;
  return v;
}

SafeArray VariantList(const std::vector<Variant>& elements) {
  SafeArray list(::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(elements.size())));
  if (!list) throw RuntimeError(err::kOutOfMemory);
  for (LONG i = 0; i < static_cast<LONG>(elements.size()); ++i) {
    VARIANT* element = const_cast<VARIANT*>(elements[static_cast<std::size_t>(i)].get());
    ThrowIfFailed(::SafeArrayPutElement(list.get(), &i, element));
  }
  return list;
}

Variant ListVariant(const std::vector<Variant>& elements) {
  Variant v;
  V_VT(v.get()) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(v.get()) = VariantList(elements).release();
  return v;
}

std::vector<Variant> TextVariants(const std::vector<std::string>& texts) {
  std::vector<Variant> variants;
  for (const std::string& text : texts) variants.push_back(TextVariant(text));
  return variants;
}

// The indices of a one-dimensional array, read from its descriptor before any element
// is: an array that is not there has no element at all (9), more dimensions are no
// list (5), and an array whose indices would run past the largest index is out of
// range (9). The last index may lie below the first (no elements).
struct Bounds {
  LONGLONG lower;
  LONGLONG upper;
};

Bounds ListBounds(SAFEARRAY* array) {
  if (!array) throw RuntimeError(err::kSubscriptOutOfRange);
  if (::SafeArrayGetDim(array) != 1) throw RuntimeError(err::kInvalidArgument);
  LONG lower = 0;
  ThrowIfFailed(::SafeArrayGetLBound(array, 1, &lower));
  const LONGLONG upper = static_cast<LONGLONG>(lower) + array->rgsabound[0].cElements - 1;
  if (upper > LONG_MAX) throw RuntimeError(err::kSubscriptOutOfRange);
  return {lower, upper};
}

// Copies element index into where; an element the array cannot give (Wine's arrays
// cannot index up to the largest index) is out of range (9), as any index outside it.
void GetElement(SAFEARRAY* array, LONGLONG index, void* where) {
  LONG at = static_cast<LONG>(index);
  const HRESULT hr = ::SafeArrayGetElement(array, &at, where);
  if (hr == DISP_E_BADINDEX) throw RuntimeError(err::kSubscriptOutOfRange);
  ThrowIfFailed(hr);
}

// Element index of an array of BSTRs, bytes or VARIANTs (its tag checked against the
// array by ValueArg), as a VARIANT; a VARIANT element with its references followed.
Variant Element(SAFEARRAY* array, LONGLONG index, VARTYPE element_type) {
  if (element_type == VT_VARIANT) {
    Variant stored;
    GetElement(array, index, stored.receive());
    return com::ValueArg(stored.get());
  }
  if (element_type == VT_UI1) {
    BYTE byte = 0;
    GetElement(array, index, &byte);
    return ByteVariant(byte);
  }
  Bstr text;
  GetElement(array, index, text.receive());
  Variant element;
  V_VT(element.get()) = VT_BSTR;
  V_BSTR(element.get()) = text.release();
  return element;
}

// Elements first to upper, each read when it is reached: what is kept grows with what the
// array really holds.
std::vector<Variant> Elements(SAFEARRAY* array, VARTYPE element_type, LONGLONG first,
                              LONGLONG upper) {
  std::vector<Variant> elements;
  for (LONGLONG index = first; index <= upper; ++index) {
    elements.push_back(Element(array, index, element_type));
  }
  return elements;
}

// The one type every element holds; a list without elements is a list of texts.
VARTYPE CommonType(std::span<const Variant> elements) {
  if (elements.empty()) return VT_BSTR;
  for (const Variant& element : elements) {
    if (element.type() != elements.front().type()) return VT_EMPTY;
  }
  return elements.front().type();
}

// The texts each followed by a zero character, plus the final zero.
ValueData MultiSzData(std::span<const Variant> texts) {
  std::string bytes;
  for (const Variant& text : texts) {
    bytes += FromBstr(V_BSTR(text.get()));
    bytes += '\0';
  }
  if (texts.empty()) bytes += '\0';
  bytes += '\0';
  return {REG_MULTI_SZ, bytes};
}

// Where a byte array's data begins: index 0, which an array with a lower bound above 0
// does not have (9).
LONGLONG FirstByte(const Bounds& bounds) {
  if (bounds.lower > 0) throw RuntimeError(err::kSubscriptOutOfRange);
  return 0;
}

ValueData BinaryData(std::span<const Variant> bytes) {
  std::string data;
  for (const Variant& byte : bytes) data += static_cast<char>(V_UI1(byte.get()));
  return {REG_BINARY, data};
}

// A byte array gives the bytes from index 0 to its upper bound; the elements below 0 are
// never read.
std::optional<ValueData> ArrayData(SAFEARRAY* array, VARTYPE element_type) {
  const Bounds bounds = ListBounds(array);
  if (element_type == VT_UI1) {
    return BinaryData(Elements(array, VT_UI1, FirstByte(bounds), bounds.upper));
  }
  const std::vector<Variant> elements = Elements(array, element_type, bounds.lower, bounds.upper);
  switch (CommonType(elements)) {
    case VT_BSTR:
      return MultiSzData(elements);
    case VT_UI1: {
      const auto below_zero = static_cast<std::size_t>(FirstByte(bounds) - bounds.lower);
      return BinaryData(std::span(elements).subspan(std::min(below_zero, elements.size())));
    }
    default:
      return std::nullopt;
  }
}

ValueData DwordData(int32_t number) {
  std::string bytes(sizeof number, '\0');
  std::memcpy(bytes.data(), &number, sizeof number);
  return {REG_DWORD, bytes};
}

std::vector<std::string> MultiSzTexts(const std::vector<BYTE>& data) {
  std::string text(data.begin(), data.end());
  std::size_t end = text.find(std::string(2, '\0'));
  if (end == std::string::npos) {
    end = !text.empty() && text.back() == '\0' ? text.size() - 1 : text.size();
  }
  text.resize(end);
  std::vector<std::string> texts;
  if (text.empty()) return texts;
  std::size_t start = 0;
  for (std::size_t zero; (zero = text.find('\0', start)) != std::string::npos; start = zero + 1) {
    texts.push_back(text.substr(start, zero - start));
  }
  texts.push_back(text.substr(start));
  return texts;
}

std::optional<Variant> DwordVariant(const std::vector<BYTE>& data) {
  Variant number;
  V_VT(number.get()) = VT_I4;
  V_I4(number.get()) = 0;
  if (data.size() > sizeof(V_I4(number.get()))) return std::nullopt;
  std::memcpy(&V_I4(number.get()), data.data(), data.size());
  return number;
}

}  // namespace

std::optional<ValueData> DataFor(const VARIANT& value) {
  switch (V_VT(&value)) {
    case VT_I2:
      return DwordData(V_I2(&value));
    case VT_I4:
      return DwordData(V_I4(&value));
    case VT_BSTR:
      return ValueData{REG_SZ, FromBstr(V_BSTR(&value)) + '\0'};
    case VT_ARRAY | VT_BSTR:
    case VT_ARRAY | VT_UI1:
    case VT_ARRAY | VT_VARIANT:
      return ArrayData(V_ARRAY(&value), V_VT(&value) & VT_TYPEMASK);
    default:
      return std::nullopt;
  }
}

std::optional<Variant> VariantFor(DWORD type, const std::vector<BYTE>& data) {
  switch (type) {
    case REG_SZ:
      return TextVariant(TextBeforeZero(data));
    case REG_BINARY: {
      std::vector<Variant> bytes;
      for (BYTE byte : data) bytes.push_back(ByteVariant(byte));
      return ListVariant(bytes);
    }
    case REG_DWORD:
      return DwordVariant(data);
    case REG_MULTI_SZ:
      return ListVariant(TextVariants(MultiSzTexts(data)));
    default:
      return Variant();
  }
}

SafeArray TextList(const std::vector<std::string>& texts) {
  return VariantList(TextVariants(texts));
}

}  // namespace vorms::reglib
