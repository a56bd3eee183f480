// The FTP folder URL split: any text gives a host and a folder or error 5, and the two
// parts put back together are what followed the scheme.
#include <cstdint>
#include <string>
#include <string_view>

#include "ftp_url.h"
#include "fuzz_check.h"

using namespace vorms;
using fuzz::Check;
using fuzz::CheckNumber;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view url(reinterpret_cast<const char*>(data), size);
  const std::string folder = FtpFolderFromUrl(url);
  try {
    const std::string server = FtpServerFromUrl(url);
    if (url.size() > 6) {
      Check(server + "/" + folder == url.substr(6), "host / folder is the URL after its scheme");
      Check(server.find('/') == std::string::npos, "the host holds no slash");
    }
  } catch (const RuntimeError& e) {
    CheckNumber(e, {err::kInvalidArgument});
    Check(folder.empty(), "no host, no folder");
  }
  return 0;
}
