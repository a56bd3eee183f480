#include "ftp_url.h"

#include "errors.h"

namespace vorms {

namespace {
// What follows the 6-character scheme prefix ("ftp://").
std::string_view AfterScheme(std::string_view url) {
  return url.size() > 6 ? url.substr(6) : std::string_view();
}
}  // namespace

std::string FtpServerFromUrl(std::string_view url) {
  if (url.empty()) return {};
  std::string_view rest = AfterScheme(url);
  std::size_t slash = rest.find('/');
  if (slash == std::string_view::npos) throw RuntimeError(err::kInvalidArgument);
  return std::string(rest.substr(0, slash));
}

std::string FtpFolderFromUrl(std::string_view url) {
  std::string_view rest = AfterScheme(url);
  std::size_t slash = rest.find('/');
  return slash == std::string_view::npos ? std::string() : std::string(rest.substr(slash + 1));
}

}  // namespace vorms
