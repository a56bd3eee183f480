// Text-to-number conversions: any text gives a number or error 6/13, never anything
// else, and what a conversion accepts reads back to the same value.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "conversions.h"
#include "fuzz_check.h"

using namespace vorms;
using fuzz::Check;
using fuzz::CheckNumber;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const int16_t small = ToInt16(text);
    Check(ToInt32(text) == small, "ToInt32 agrees with ToInt16");
    Check(ToInt16(std::to_string(small)) == small, "ToInt16 reads its own text back");
  } catch (const RuntimeError& e) {
    CheckNumber(e, {err::kOverflow, err::kTypeMismatch});
  }
  try {
    const double number = ToNumber(text);
    const std::string printed = NumberText(number);
    Check(!printed.empty(), "NumberText prints something");
  } catch (const RuntimeError& e) {
    CheckNumber(e, {err::kTypeMismatch});
  }
  (void)LeadingNumber(text);
  const std::string trimmed = Trim(text);
  Check(trimmed.empty() || (trimmed.front() != ' ' && trimmed.back() != ' '), "Trim trims");
  Check(CompareText(text, text) == 0, "a text equals itself");
  const std::string upper = ToUpper(text);
  Check(upper.size() == text.size(), "ToUpper keeps the length");
  return 0;
}
