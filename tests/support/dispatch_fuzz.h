// Careless callers, simulated: IDispatch::Invoke on every method of a library's objects
// with random argument counts, kinds (numbers, texts, dates, errors, objects, arrays whose
// tag may not match what they hold, references of all those, references to references,
// to nothing and to themselves), named arguments and flags, from a fixed seed. A call
// that crashes, hangs, overwrites a reference it was handed or fails with a code no
// caller should see fails the test, and so does a leak over many calls.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
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

// Calls each method of each target (and, now and then, a dispatch id it does not have)
// once a round: first as careless callers do, then, counting the process's handles, heap
// blocks and private memory before and after (after a warm-up), as calls the dispatch
// takes as they are (FuzzCalls in dispatch_fuzz.cpp says why). A failing call is reported with
// its arguments; a crash or a call that runs for more than a minute prints the call and
// ends the process. The seed (VORMS_FUZZ_SEED, or a fixed one) and the rounds
// (VORMS_FUZZ_ROUNDS, or default_rounds) are printed, so that a run can be repeated.
void FuzzThroughDispatch(const std::vector<FuzzTarget>& targets, int default_rounds);

}  // namespace vorms::test
