// What a long run of the test program costs: its handles, private memory and threads,
// taken in ways that work on Windows and under Wine alike.
#pragma once

#include <windows.h>

namespace vorms::test {

struct ProcessFigures {
  DWORD handles = 0;
  double private_mb = 0;
  DWORD threads = 0;
};

ProcessFigures MeasureThisProcess();

}  // namespace vorms::test
