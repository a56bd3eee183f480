// The OfficeScan server's folders: its root, found once per settings load, and the
// check that creates every missing level of a folder path.
#pragma once

#include <string>

namespace vorms {

// The server root without a trailing backslash: [OFFICESCAN] ProgramDirectory, else the
// server's own registry record (through Tavelund), else the program folder + "\PCCSRV".
// The result is written back to ProgramDirectory. Empty text after an unexpected error
// (reported as an event).
std::string GET_OFFICESCAN_HTTP_FOLDER();

// Creates every missing folder level of a drive path ("C:\A\B", or a file's full path,
// whose name is skipped). Errors are logged, never raised.
void verifRoot(const std::string& path);

}  // namespace vorms
