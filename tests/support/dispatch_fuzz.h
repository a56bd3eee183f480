// Careless callers, simulated: IDispatch::Invoke on every method of a library's objects
// with random argument counts, kinds (numbers, texts, dates, errors, objects, arrays whose
// tag may not match what they hold, references of all those, references to references,
// to nothing and to themselves), named arguments and flags, from a fixed seed. A call
// that crashes, hangs, overwrites a reference it was handed or fails with a code no
// caller should see fails the test; the test compares the process's handles and memory
// before and after many calls to find leaks.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace vorms::test {

// What the fuzzer may give one parameter. A free parameter takes any argument. A
// parameter whose value reaches outside the test (a registry key or the root a write goes
// to, a file, a host) takes one of its allowed values, in a form that converts to exactly
// that value (the value itself, a reference to it, a reference to a VARIANT holding it,
// a number as text...), or in a form that converts to nothing, so that the call is
// refused before the method runs.
struct FuzzParameter {
  std::vector<std::string> texts;
  std::vector<int32_t> numbers;
  bool receives = false;  // a VARIANT parameter the method hands a value back through

  bool free() const { return texts.empty() && numbers.empty(); }
};

struct FuzzMethod {
  const char* name;
  DISPID id;
  std::vector<FuzzParameter> parameters;
  int every = 1;  // a slow method is called in one round of this many only
};

struct FuzzTarget {
  const char* name;  // the class, for the failure messages
  IDispatch* object;
  std::vector<FuzzMethod> methods;
};

// The seed (VORMS_FUZZ_SEED, or a fixed one) and the rounds (VORMS_FUZZ_ROUNDS, or
// default_rounds) of a run, printed so that a failing run can be repeated.
struct FuzzRun {
  uint32_t seed;
  int rounds;
};
FuzzRun FuzzRunFromEnvironment(int default_rounds);

// Which calls: a careless caller's, anything at all; or calls the type library's
// dispatch takes as they are (every parameter in its place, each typed one a value of its
// type or a reference to one, a parameter that receives a value a variable, that is a
// reference), whose VARIANT parameters still get anything. The second kind measure leaks:
// Wine's dispatch (ITypeInfo::Invoke) leaks the converted copies of the earlier arguments
// of a call it refuses for a later one (a wrong count, a type it cannot convert), more
// when some arguments are named, and its copy of a value passed to an in-out VARIANT when
// what the method left there does not convert back to the value's type.
enum class FuzzCalls { kCareless, kDispatchable };

// Calls each method of each target once per round (and, carelessly, an unknown dispatch
// id now and then). A failing call is reported with its arguments; a crash or a call
// that runs for more than a minute prints the call and ends the process.
void Fuzz(const std::vector<FuzzTarget>& targets, int rounds, std::mt19937& random,
          FuzzCalls calls);

// The process's open handles and private memory. Wine answers GetProcessHandleCount and
// PROCESS_MEMORY_COUNTERS_EX.PrivateUsage with 0: the handles are counted by asking for
// each handle value, and the private memory is the commit charge in PagefileUsage (the
// figure Windows gives as PrivateUsage too), which Wine reports. A commit charge moves
// by pages and heap segments; the blocks in use on the process's heaps (every BSTR,
// SAFEARRAY and C++ allocation is one) show a leak of a few bytes per call as well.
struct ProcessUsage {
  std::size_t handles;
  std::size_t committed_bytes;
  std::size_t heap_blocks;
};
ProcessUsage CurrentUsage();

}  // namespace vorms::test
