// The notification mail after an installation: the new tool's listing as the text and
// its two files zipped as "tsc_smtp.zip".
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace vorms {

// The zip component's pack: every named file or nothing.
bool PackFiles(const std::string& folder, const std::vector<std::string>& names, const std::string& zip_path);

// What the mail takes from the other installation steps.
struct NotifySources {
  // The downloaded tool's "/VL" listing (GetTscListing); its errors reach the mail's trap.
  std::function<std::string()> listing;
  // Packs the named files of a folder into a zip file; true only when it was written whole.
  std::function<bool(const std::string& folder, const std::vector<std::string>& names,
                     const std::string& zip_path)>
      pack = PackFiles;
};

// Mails the listing to [SMTP] To when [SMTP] Enable is on. True only when the server
// accepted the message; every outcome is logged.
bool SMTP_Notify(const NotifySources& sources);

}  // namespace vorms
