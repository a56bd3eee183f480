// The release page analysis: any page text goes through every removal without a fault,
// and the candidate either compares as a 16-bit number or raises 13 or 6; 9 only when
// the page has no marker.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "release_page.h"

using namespace vorms;
using fuzz::Check;
using fuzz::CheckNumber;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view page(reinterpret_cast<const char*>(data), size);
  const std::string cleaned = CleanPageMarkup(page);
  const std::string extract = MarkerExtract(cleaned);
  const std::vector<std::string> pieces = MarkerPieces(extract);
  Check(extract.empty() == pieces.empty(), "an extract has pieces, no extract none");
  try {
    const std::string piece = CleanPatternPiece(pieces);
    const std::string candidate = PatternCandidate(piece, extract);
    try {
      (void)IsGreaterPattern(candidate, "385");
      Check(IsPatternNumber(candidate), "only a number compares");
    } catch (const RuntimeError& e) {
      CheckNumber(e, {err::kOverflow, err::kTypeMismatch});
    }
  } catch (const RuntimeError& e) {
    CheckNumber(e, {err::kSubscriptOutOfRange});
  }
  return 0;
}
