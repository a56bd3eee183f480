// The password scrambling: any text either scrambles or raises 5, and what scrambles
// descrambles back to itself; descrambling any stored text raises nothing but 5.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "scramble.h"

using namespace vorms;
using fuzz::Check;
using fuzz::CheckNumber;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const std::string scrambled = ScrambleText(text, 1, kScramble);
    Check(scrambled.size() == text.size(), "scrambling keeps the length");
    Check(ScrambleText(scrambled, 1, kDescramble) == text, "descrambling undoes scrambling");
  } catch (const RuntimeError& e) {
    CheckNumber(e, {err::kInvalidArgument});
  }
  try {
    (void)ScrambleText(text, 1, kDescramble);
  } catch (const RuntimeError& e) {
    CheckNumber(e, {err::kInvalidArgument});
  }
  return 0;
}
