// Where the library's test fixtures lie once built.
#pragma once

#include <string>

#include "test_support.h"

namespace vorms::test {

inline std::string FixturePath(const std::string& name) {
  return BuildFolder() + "\\fixtures\\" + name;
}

}  // namespace vorms::test
