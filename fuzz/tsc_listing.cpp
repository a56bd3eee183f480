// The "/VL" listing parse on any text: a pattern number in decimal digits, empty text,
// or one of the run-time errors 5, 6, 9, 13.
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "tsc_listing.h"

using namespace vorms;
using fuzz::Check;
using fuzz::CheckNumber;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string output(reinterpret_cast<const char*>(data), size);
  try {
    const std::string pattern = PatternFromListing(output, [](const std::string&) {});
    if (!pattern.empty()) {
      const int n = std::stoi(pattern);
      Check(n >= -32768 && n <= 32767 && std::to_string(n) == pattern, "a 16-bit number as text");
    }
  } catch (const RuntimeError& e) {
    CheckNumber(e, {err::kInvalidArgument, err::kOverflow, err::kSubscriptOutOfRange, err::kTypeMismatch});
  }
  return 0;
}
