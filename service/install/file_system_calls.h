// The two calls the service makes on Ostrilen's FileSystem: an object made by class id
// for each call, one call through its function table, released at once. Errors (the
// library missing, a failed call) are raised as run-time errors.
#pragma once

#include <string>

namespace vorms {

// Get_File_FileVersion: the file's version text, empty when it has none.
std::string FileVersionOf(const std::string& path);

// FILE_CHANGE_DATE_TO_NOW: true when the file's dates were set; date receives the
// date text that was applied (it keeps its value when nothing is handed back).
bool ChangeFileDateToNow(const std::string& path, std::string& date);

}  // namespace vorms
