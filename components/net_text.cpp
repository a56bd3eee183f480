#include "net_text.h"

#include "date_text.h"

#include <cctype>

namespace vorms::net {
namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(text[i]) != Lower(prefix[i])) return false;
  }
  return true;
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

int Number(std::string_view digits) {
  int value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

bool ValidHostText(std::string_view host) {
  if (host.empty()) return false;
  for (char c : host) {
    if (c <= ' ' || c == '/' || c == '@' || c == '\\' || static_cast<unsigned char>(c) >= 0x7f) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<HostPort> SplitHostPort(std::string_view text) {
  HostPort result;
  std::size_t colon = text.rfind(':');
  std::string_view host = text.substr(0, colon);
  if (colon != std::string_view::npos) {
    std::string_view port = text.substr(colon + 1);
    if (!AllDigits(port) || port.size() > 5) return std::nullopt;
    int value = Number(port);
    if (value < 1 || value > 65535) return std::nullopt;
    result.port = static_cast<uint16_t>(value);
  }
  if (!ValidHostText(host) || host.find(':') != std::string_view::npos) return std::nullopt;
  result.host = std::string(host);
  return result;
}

std::optional<Url> SplitHttpUrl(std::string_view text) {
  Url url;
  if (StartsWithNoCase(text, "http://")) {
    text.remove_prefix(7);
  } else if (StartsWithNoCase(text, "https://")) {
    text.remove_prefix(8);
    url.secure = true;
  } else {
    return std::nullopt;
  }
  std::size_t slash = text.find('/');
  std::string_view authority = text.substr(0, slash);
  auto server = SplitHostPort(authority);
  if (!server) return std::nullopt;
  url.server = *server;
  url.path = slash == std::string_view::npos ? "/" : std::string(text.substr(slash));
  for (char c : url.path) {
    if (c <= ' ' || static_cast<unsigned char>(c) >= 0x7f) return std::nullopt;
  }
  return url;
}

std::optional<HostPort> ParseFtpProxy(std::string_view text) {
  constexpr std::string_view kPrefix = "ftp=ftp://";
  if (!StartsWithNoCase(text, kPrefix)) return std::nullopt;
  text.remove_prefix(kPrefix.size());
  std::size_t colon = text.rfind(':');
  if (colon != std::string_view::npos && text.substr(colon + 1) == "0") {
    text = text.substr(0, colon);  // no port given: the FTP port
  }
  return SplitHostPort(text);
}

bool MatchesListPattern(std::string_view name, std::string_view pattern) {
  // Iterative wildcard match with one backtrack point: linear in practice, never
  // exponential on hostile names.
  std::size_t n = 0, p = 0, star = std::string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]))) {
      ++n, ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name.size() > 200) return false;
  bool only_dots = true;
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
    if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) return false;
    if (c != '.') only_dots = false;
  }
  return !only_dots && name.back() != ' ' && name.back() != '.';
}

std::optional<DateTime> ParseMdtmReply(std::string_view reply) {
  while (!reply.empty() && (reply.back() == '\r' || reply.back() == '\n' || reply.back() == ' ')) {
    reply.remove_suffix(1);
  }
  if (reply.size() < 18 || reply.substr(0, 4) != "213 ") return std::nullopt;
  std::string_view stamp = reply.substr(4);
  std::size_t dot = stamp.find('.');
  if (dot != std::string_view::npos) {
    if (!AllDigits(stamp.substr(dot + 1))) return std::nullopt;
    stamp = stamp.substr(0, dot);
  }
  if (stamp.size() != 14 || !AllDigits(stamp)) return std::nullopt;
  DateTime t{Number(stamp.substr(0, 4)), Number(stamp.substr(4, 2)), Number(stamp.substr(6, 2)),
             Number(stamp.substr(8, 2)), Number(stamp.substr(10, 2)), Number(stamp.substr(12, 2))};
  if (t.year < 1601 || t.month < 1 || t.month > 12 || t.day < 1 ||
      t.day > DaysInMonth(t.year, t.month) || t.hour > 23 || t.minute > 59 || t.second > 60) {
    return std::nullopt;
  }
  if (t.second == 60) t.second = 59;  // a leap second, as the system clock cannot hold it
  return t;
}

}  // namespace vorms::net
