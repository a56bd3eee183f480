// The two reporting calls of every procedure: the log writer, which honours the log and
// debug switches, and the event writer, which always writes. Files live in the program
// folder; each line is one open-append-close, so the programs never hold a file open.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "errors.h"
#include "handles.h"

namespace vorms {

// Level 1 is a normal line, 2 a debug line; any other level writes nothing.
void WriteLog(const std::string& message, int16_t level);

// "<now> <source>: <message>".
void WriteEvent(const std::string& source, const std::string& message);

// Trap reports in the system's two error shapes:
// WriteLog(prefix + number + " " + description, level), e.g. prefix "StartFTP: Error ";
ErrorReport LogError(std::string prefix, int16_t level = 1);
// WriteEvent(source, "Error " + number + " " + description).
ErrorReport EventError(std::string source);

// Appends text and CR LF to a file, creating it when missing; raises the run-time's
// file errors.
void AppendLine(const std::string& path, std::string_view text);

// Lets the window messages waiting for this thread be handled.
void PumpPendingMessages();

// Config's status box (an edit control) receives "<now> - <message>" for each level-1
// line; none is set until the console's window exists.
void SetStatusBox(HWND edit);

}  // namespace vorms
