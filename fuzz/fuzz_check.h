// What every fuzz target shares: a failed property ends the run with its text, and a
// raised run-time error must carry one of the numbers the caller expects.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "errors.h"

namespace vorms::fuzz {

inline void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "property failed: %s\n", what);
  std::abort();
}

inline void CheckNumber(const RuntimeError& e, std::initializer_list<int> allowed) {
  for (int n : allowed) {
    if (e.number() == n) return;
  }
  std::fprintf(stderr, "unexpected error %d %s\n", e.number(), e.description().c_str());
  std::abort();
}

}  // namespace vorms::fuzz
