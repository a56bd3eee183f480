// Ostrilen.dll as its clients see it: registered with regsvr32 for the whole test
// program, created through COM by class id, called through its interfaces' function
// tables.
#pragma once

#include <windows.h>

#include <string>

#include "com_client.h"
#include "com_text.h"
#include "handles.h"
#include "ostrilen.h"
#include "test_support.h"

namespace vorms::test {

std::string OstrilenPath();

// regsvr32 /s (and /u) on Ostrilen.dll; the exit code.
DWORD RegisterOstrilen();
DWORD UnregisterOstrilen();

}  // namespace vorms::test
