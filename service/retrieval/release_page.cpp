#include "release_page.h"

#include "conversions.h"
#include "errors.h"

namespace vorms {
namespace {

constexpr std::string_view kMarker = "(DCT)";

void RemoveAll(std::string& text, std::string_view what) {
  std::string out;
  out.reserve(text.size());
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(what, from)) != std::string::npos; from = at + what.size()) {
    out.append(text, from, at - from);
  }
  out.append(text, from, std::string::npos);
  text.swap(out);
}

std::vector<std::string_view> SplitAt(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> parts;
  if (text.empty()) return parts;
  for (;;) {
    std::size_t at = text.find(separator);
    parts.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + separator.size());
  }
}

}  // namespace

std::string CleanPageMarkup(std::string_view page) {
  static const std::string_view kMarkup[] = {
      "<span style='font-size:9.5pt;font-family:Verdana;",
      "<o:p>",
      "</o:p>",
      "</span>",
      "</p>",
      "<p align=right style='text-align:right'>",
      "<a name=contents>",
      "<hr size=2 width=\"100%\" align=center>",
      "<span style='font-size:10.5pt;font-family:Verdana;color:black'>",
  };
  std::string text(page);
  for (std::string_view markup : kMarkup) RemoveAll(text, markup);
  return text;
}

std::string MarkerExtract(std::string_view text) {
  std::string extract;
  int taken = 0;
  for (std::string_view line : SplitAt(text, "\r\n")) {
    if (taken == 0 && line.find(kMarker) == std::string_view::npos) continue;
    extract.append(line);
    if (++taken == 3) break;
  }
  return extract;
}

std::vector<std::string> MarkerPieces(std::string_view extract) {
  std::vector<std::string> pieces;
  for (std::string_view piece : SplitAt(extract, kMarker)) pieces.emplace_back(piece);
  return pieces;
}

std::string CleanPatternPiece(const std::vector<std::string>& pieces) {
  if (pieces.size() < 2) throw RuntimeError(err::kSubscriptOutOfRange);
  static const std::string_view kFooter[] = {
      "<BR>", "<br>",         "Copyright", "(C)", "2001",   "2003",    "2004",
      "Trend Micro", "Incorporated", "All", ".", " ", "-", "<SPAN>", "</SPAN>", "</H1>",
      "rights", "reserved",
  };
  std::string piece = pieces[1];
  for (std::string_view word : kFooter) RemoveAll(piece, word);
  return piece;
}

bool IsPatternNumber(std::string_view text) {
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::string PatternCandidate(const std::string& piece, const std::string& extract) {
  return IsPatternNumber(piece) ? piece : extract;
}

bool IsGreaterPattern(std::string_view candidate, std::string_view stored) {
  const int16_t page = ToInt16(candidate);
  return page > ToInt16(stored);
}

}  // namespace vorms
