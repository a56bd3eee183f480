// The split of the FTP folder URL into host and folder (plain C++: it reads text that
// comes from outside, and builds natively for fuzzing).
#pragma once

#include <string>
#include <string_view>

namespace vorms {

// Split of the FTP folder URL: drop the 6-character scheme prefix, then the host runs to
// the first "/" and the folder follows it. The host split raises 5 when there is no "/".
std::string FtpServerFromUrl(std::string_view url);
std::string FtpFolderFromUrl(std::string_view url);

}  // namespace vorms
