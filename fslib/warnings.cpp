#include "warnings.h"

#include <windows.h>

namespace vorms::fslib {

void ReportWarning(const std::string& text) {
  ::OutputDebugStringA(("Ostrilen: " + text + "\n").c_str());
}

}  // namespace vorms::fslib
