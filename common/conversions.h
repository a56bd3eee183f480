// Text and number conversions, with the run-time's rules and errors.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vorms {

// Removes leading and trailing spaces (the run-time's Trim).
std::string Trim(std::string_view text);

// Text to 16-bit signed integer: blanks around, optional sign, decimal digits.
// Raises 6 (overflow) outside -32768..32767 and 13 (type mismatch) for anything else.
int16_t ToInt16(std::string_view text);

// Text to 32-bit signed integer, same rules; 6 outside the 32-bit range.
int32_t ToInt32(std::string_view text);

// Text to a number: blanks around, optional sign, digits with an optional decimal
// point. Raises 13 for anything else (an empty text included).
double ToNumber(std::string_view text);

// The leading-number rule: skips leading blanks, reads an optional sign and the digits
// that follow, stops at the first other character; no digits read gives 0.
long long LeadingNumber(std::string_view text);

// A number as the run-time prints it: whole values without a decimal point,
// others with up to 15 significant digits.
std::string NumberText(double value);

std::string ToUpper(std::string_view text);

// Character-by-character comparison of codes (the run-time's binary text compare):
// negative, zero or positive.
int CompareText(std::string_view a, std::string_view b);

}  // namespace vorms
