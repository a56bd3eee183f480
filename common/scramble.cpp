#include "scramble.h"

#include "errors.h"

namespace vorms {
namespace {

int ShiftAt(std::size_t position) {  // position counted from 1
  if (position == 1) return 0;
  return position % 2 == 0 ? 1 : 2;
}

}  // namespace

std::string ScrambleText(std::string_view text, int16_t method, int16_t direction) {
  if (method != 1) throw RuntimeError(err::kInvalidArgument);
  const int sign = direction != kDescramble ? -1 : 1;
  std::string out(text);
  for (std::size_t i = 0; i < out.size(); ++i) {
    int code = static_cast<unsigned char>(out[i]) + sign * ShiftAt(i + 1);
    if (code < 0 || code > 255) throw RuntimeError(err::kInvalidArgument);
    out[i] = static_cast<char>(code);
  }
  return out;
}

}  // namespace vorms
