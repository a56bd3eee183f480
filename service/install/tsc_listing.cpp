#include "tsc_listing.h"

#include <optional>
#include <vector>

#include "conversions.h"
#include "errors.h"

namespace vorms {
namespace {

constexpr char kSource[] = "GET_TSC_PATTERN_VERSION_FROM_DOS: ";
constexpr char kVersionMark[] = "TSC Version ";
constexpr char kPatternMark[] = "Load pattern file ";
constexpr std::size_t kLinesRead = 11;
// The line's first character, then the mark.
constexpr std::size_t kPatternPrefix = 19;

// The run-time's Split at CR LF: an empty text has no line at all.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  if (text.empty()) return lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) return lines;
    start = end + 2;
  }
}

std::string WithoutLineBreaks(const std::string& text) {
  std::string joined;
  for (const std::string& line : SplitLines(text)) joined += line;
  return joined;
}

// Nothing when the line does not have the expected form.
std::optional<std::string> NumberPart(const std::string& pattern_line) {
  if (pattern_line.size() < kPatternPrefix) throw RuntimeError(err::kInvalidArgument);
  std::string text = Trim(std::string_view(pattern_line).substr(kPatternPrefix));
  std::size_t at = text.find("(version");
  if (at == std::string::npos) return std::nullopt;
  text = text.substr(at + 1);
  at = text.find(") [");
  if (at == std::string::npos) return std::nullopt;
  text = Trim(std::string_view(text).substr(0, at));
  at = text.find(' ');
  if (at == std::string::npos) return std::nullopt;
  return Trim(std::string_view(text).substr(at + 1));
}

}  // namespace

std::string PatternFromListing(const std::string& output,
                               const std::function<void(const std::string&)>& trace) {
  trace(std::string("PipeTheDos (GET_TSC_PATTERN_VERSION_FROM_DOS): Found ") + WithoutLineBreaks(output));
  const std::vector<std::string> lines = SplitLines(output);
  trace(kSource + std::string("After the pipe found [") +
        std::to_string(static_cast<long long>(lines.size()) - 1) + "] Lines");
  std::string version_line, pattern_line;
  for (std::size_t i = 0; i < kLinesRead; ++i) {
    if (i >= lines.size()) throw RuntimeError(err::kSubscriptOutOfRange);
    trace(kSource + std::string("Analyze Line ") + lines[i]);
    if (lines[i].find(kVersionMark) != std::string::npos) version_line = lines[i];
    if (lines[i].find(kPatternMark) != std::string::npos) pattern_line = lines[i];
  }
  if (version_line.empty()) return {};
  trace(kSource + std::string("LigneVersion=[") + version_line + "]");
  trace(kSource + std::string("LignePattern=[") + pattern_line + "]");
  const std::optional<std::string> number = NumberPart(pattern_line);
  if (!number) return {};
  trace(kSource + std::string("LignePattern Filtre 1 =[") + *number + "]");
  return std::to_string(ToInt16(*number));
}

}  // namespace vorms
