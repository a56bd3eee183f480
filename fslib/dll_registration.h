// Registration of other COM libraries through their self-registration entry points.
#pragma once

#include <string>

namespace vorms::fslib {

// Loads sFile, runs its DllRegisterServer / DllUnregisterServer on a worker thread and
// waits at most 10 seconds for it. The answer is one of the fixed texts: empty text for
// an empty path, "File Could Not Be Loaded Into Memory Space", "Not A Valid ActiveX
// Component", "ActiveX Component Registration Failed" (timed out or the entry point
// reported failure), or the success text of each direction.
std::string RegisterDLL(const std::string& sFile);
std::string UnRegisterDLL(const std::string& sFile);

}  // namespace vorms::fslib
