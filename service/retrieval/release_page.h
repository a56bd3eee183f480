// Reading the vendor's release page: the fixed sequence of removals that isolates the
// pattern number printed after the page's first "(DCT)" marker. Plain text in, text
// out, no system calls: the page comes from outside and these functions are fuzzed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorms {

// The page with the markup around the number removed (every occurrence, in a fixed
// order, matched exactly).
std::string CleanPageMarkup(std::string_view page);

// The first line (lines end at CR LF only) that holds "(DCT)" and the two lines after
// it, joined without separators; empty when no line holds the marker.
std::string MarkerExtract(std::string_view text);

// The extract split at each "(DCT)"; an empty extract gives no pieces at all.
std::vector<std::string> MarkerPieces(std::string_view extract);

// Piece 1 (the text after the first marker) with the line breaks, the footer words and
// the blanks removed. Raises 9 when there is no piece 1.
std::string CleanPatternPiece(const std::vector<std::string>& pieces);

// An optional sign and at least one decimal digit, nothing else.
bool IsPatternNumber(std::string_view text);

// The cleaned piece when it is a number, otherwise the whole extract (which then
// fails the conversion and names what could not be understood).
std::string PatternCandidate(const std::string& piece, const std::string& extract);

// Both as 16-bit numbers: true when the page's is greater. Raises 13 when either is
// not a number, 6 when either is outside -32768..32767.
bool IsGreaterPattern(std::string_view candidate, std::string_view stored);

}  // namespace vorms
