// The HTTP road: the vendor's release page, and the package when the page announces a
// greater pattern number.
#pragma once

#include <string>

namespace vorms {

// True only when the page announced a newer pattern and the package was fetched into
// program folder + "\tsc.zip" (named then by NewFileDownloaded).
bool HTTP_GET_FILE();

// One transfer into path; true when the component raised no error event. No trap of
// its own: its errors reach HTTP_GET_FILE's.
bool DownloadFile(const std::string& url, const std::string& path);

// The component's error event.
void OnDownloadError(const std::string& text);

}  // namespace vorms
