// The keyless shift that keeps the FTP password from being read at a glance in the
// settings file. It is no protection against anyone who knows the rule.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vorms {

inline constexpr int16_t kScramble = -1;
inline constexpr int16_t kDescramble = 0;

// Method 1 shifts the code of character i (counted from 1) by 0, 1, 2, 1, 2, ...:
// down to scramble (direction -1), up to descramble (direction 0). A shifted code
// outside 0..255, or another method, raises 5.
std::string ScrambleText(std::string_view text, int16_t method, int16_t direction);

}  // namespace vorms
