#include "conversions.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "errors.h"

namespace vorms {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Parses [sign]digits exactly; raises 13 when the text has any other shape and
// 6 when the value leaves [low, high].
long long ParseWhole(std::string_view text, long long low, long long high) {
  std::string_view t = TrimBlanks(text);
  bool negative = false;
  if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
    negative = t.front() == '-';
    t.remove_prefix(1);
  }
  if (t.empty()) throw RuntimeError(err::kTypeMismatch);
  long long value = 0;
  bool overflow = false;
  for (char c : t) {
    if (!IsDigit(c)) throw RuntimeError(err::kTypeMismatch);
    if (!overflow) {
      value = value * 10 + (c - '0');
      overflow = value > high + 1;  // stays far below the 64-bit limit
    }
  }
  if (negative) value = -value;
  if (overflow || value < low || value > high) throw RuntimeError(err::kOverflow);
  return value;
}

}  // namespace

std::string Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return std::string(text);
}

int16_t ToInt16(std::string_view text) {
  return static_cast<int16_t>(ParseWhole(text, std::numeric_limits<int16_t>::min(),
                                         std::numeric_limits<int16_t>::max()));
}

int32_t ToInt32(std::string_view text) {
  return static_cast<int32_t>(ParseWhole(text, std::numeric_limits<int32_t>::min(),
                                         std::numeric_limits<int32_t>::max()));
}

double ToNumber(std::string_view text) {
  std::string_view t = TrimBlanks(text);
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0 || i != t.size()) throw RuntimeError(err::kTypeMismatch);
  return std::strtod(std::string(t).c_str(), nullptr);
}

long long LeadingNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    if (value < std::numeric_limits<long long>::max() / 10 - 10) value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

std::string NumberText(double value) {
  char buffer[64];
  if (std::isfinite(value) && std::fabs(value) < 1e15 && value == std::trunc(value)) {
    std::snprintf(buffer, sizeof buffer, "%.0f", value);
  } else {
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
  }
  std::string text = buffer;
  return text == "-0" ? "0" : text;
}

std::string ToUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

int CompareText(std::string_view a, std::string_view b) {
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    auto ca = static_cast<unsigned char>(a[i]);
    auto cb = static_cast<unsigned char>(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace vorms
