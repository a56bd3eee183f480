// What a long run of the test program costs: its handles, private memory and threads,
// taken in ways that work on Windows and under Wine alike.
#pragma once

#include <windows.h>

#include <cstddef>

namespace vorms::test {

struct ProcessFigures {
  DWORD handles = 0;
  double private_mb = 0;
  DWORD threads = 0;
};

ProcessFigures MeasureThisProcess();

// The blocks in use on the process's heaps (every BSTR, SAFEARRAY and C++ allocation is
// one): a leak of a few bytes a call shows here long before it moves the private memory,
// which grows by pages and heap segments.
std::size_t HeapBlocksInUse();

}  // namespace vorms::test
