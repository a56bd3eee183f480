// The release page analysis: the pattern number the saved page announces, compared
// with the stored one.
#pragma once

#include <string>

namespace vorms {

// True when program folder + "\TSCReadme.htm" announces a pattern number greater than
// [TSC] Pattern; false when it does not and on every failure, each with its line.
bool AnalyzeDownloadedFile();

// Named in the line of a page that cannot be understood.
inline constexpr char kSupportContact[] = "the Vormsline support (support@plomenk.org)";

}  // namespace vorms
