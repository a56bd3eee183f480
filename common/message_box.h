// The one way the programs show a message to the user.
#pragma once

#include <windows.h>

#include <string>

namespace vorms {

// Shows text in a message box without owner, with the program's title as caption.
// A process without an interactive desktop (a service, a headless run) writes the text
// to standard error instead, so that it never waits for a click nobody can give.
// Returns the button pressed, or IDOK when the text went to standard error.
int ShowMessage(const std::string& text, UINT flags = MB_OK);

}  // namespace vorms
