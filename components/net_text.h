// The texts the transfer components read from settings and servers: host and port,
// URLs, the FTP proxy text, listing patterns and MDTM replies. Plain functions with no
// system calls, so that they build natively for fuzzing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "datetime.h"

namespace vorms::net {

struct HostPort {
  std::string host;
  uint16_t port = 0;  // 0: the scheme's default
};

// "host" or "host:port" (port 1..65535); nullopt for an empty host or a bad port.
std::optional<HostPort> SplitHostPort(std::string_view text);

struct Url {
  bool secure = false;  // https
  HostPort server;
  std::string path;     // from the first "/" on, "/" when the URL has none
};

// "http://host[:port][/path]" or "https://..." (scheme in any letter case);
// user names inside the URL are refused. nullopt when it has another shape.
std::optional<Url> SplitHttpUrl(std::string_view text);

// The gateway in "ftp=ftp://host:port" (the form the FTP road hands over); nullopt
// when the text has another shape or names no host. A port of 0 means the FTP port.
std::optional<HostPort> ParseFtpProxy(std::string_view text);

// The listing pattern match: "*" any run, "?" one character, letters without regard to
// case, as the server's file system does.
bool MatchesListPattern(std::string_view name, std::string_view pattern);

// A name that stays a plain file name inside a local folder: no drive, folder
// separator, device characters, control characters or dots-only names.
bool IsPlainFileName(std::string_view name);

// The UTC time in an MDTM reply "213 yyyymmddhhmmss[.fff]"; nullopt for any other
// reply or an impossible date.
std::optional<DateTime> ParseMdtmReply(std::string_view reply);

}  // namespace vorms::net
