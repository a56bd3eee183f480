#include "value_forms.h"

#include <cstdint>
#include <cstring>

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

struct ArrayElements {
  LONG lower = 0;
  std::vector<Variant> elements;  // from the lower bound on
};

// Every element of a one-dimensional array of BSTRs, bytes or VARIANTs, as a VARIANT.
// An array that is not there has no element at all (9); more dimensions are no list (5).
ArrayElements Elements(SAFEARRAY* array, VARTYPE element_type) {
  if (!array) throw RuntimeError(err::kSubscriptOutOfRange);
  if (::SafeArrayGetDim(array) != 1) throw RuntimeError(err::kInvalidArgument);
  ArrayElements result;
  LONG upper = -1;
  ThrowIfFailed(::SafeArrayGetLBound(array, 1, &result.lower));
  ThrowIfFailed(::SafeArrayGetUBound(array, 1, &upper));
  for (LONG i = result.lower; i <= upper; ++i) {
    Variant element;
    if (element_type == VT_VARIANT) {
      ThrowIfFailed(::SafeArrayGetElement(array, &i, element.receive()));
    } else {  // a BSTR or a byte lands in the VARIANT's data, typed once it is there
      ThrowIfFailed(::SafeArrayGetElement(array, &i, &V_BSTR(element.get())));
      V_VT(element.get()) = element_type;
    }
    result.elements.push_back(std::move(element));
  }
  return result;
}

// The one type every element holds; a list without elements is a list of texts.
VARTYPE CommonType(const std::vector<Variant>& elements) {
  if (elements.empty()) return VT_BSTR;
  for (const Variant& element : elements) {
    if (element.type() != elements.front().type()) return VT_EMPTY;
  }
  return elements.front().type();
}

// The texts each followed by a zero character, plus the final zero.
ValueData MultiSzData(const std::vector<Variant>& texts) {
  std::string bytes;
  for (const Variant& text : texts) {
    bytes += FromBstr(V_BSTR(text.get()));
    bytes += '\0';
  }
  if (texts.empty()) bytes += '\0';
  bytes += '\0';
  return {REG_MULTI_SZ, bytes};
}

// The bytes from index 0 to the upper bound.
ValueData BinaryData(const ArrayElements& array) {
  if (array.lower > 0) throw RuntimeError(err::kSubscriptOutOfRange);  // no element 0
  std::string bytes;
  for (std::size_t i = static_cast<std::size_t>(-array.lower); i < array.elements.size(); ++i) {
    bytes += static_cast<char>(V_UI1(array.elements[i].get()));
  }
  return {REG_BINARY, bytes};
}

std::optional<ValueData> ArrayData(SAFEARRAY* array, VARTYPE element_type) {
  const ArrayElements elements = Elements(array, element_type);
  switch (element_type == VT_VARIANT ? CommonType(elements.elements) : element_type) {
    case VT_BSTR:
      return MultiSzData(elements.elements);
    case VT_UI1:
      return BinaryData(elements);
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
