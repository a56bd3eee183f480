// The FTP road: the newest "tsc*.zip" of the vendor's FTP folder, fetched when its
// modification time is later than the one stored after the previous fetch.
#pragma once

#include <string>
#include <vector>

namespace vorms {

// True only when this call fetched a newer package; it then lies in the program
// folder, NewFileDownloaded names it, [TSC] LatestDate holds its time and the unpack
// folder is ready.
bool StartFTP();

// Picks the newest of the "yyyymmddhhmmss:name" entries (the later listed among equal
// times) and tells whether it is newer than the stored LatestDate.
bool MustDownload(const std::vector<std::string>& entries, std::string& name, std::string& date);

// The 14-digit form of a date-time text; empty when the text is no date.
std::string ChangeDateToNumeric(const std::string& date_time);

// Makes the program folder's "temp" or clears the unpacked tool out of it.
void PrepareTempFolder();

std::string GetLatestDate();
void SetLatestDate(const std::string& date);

// The password of an anonymous log-on, shaped like an e-mail address as servers ask.
inline constexpr char kAnonymousPassword[] = "vormsline@localhost";

}  // namespace vorms
