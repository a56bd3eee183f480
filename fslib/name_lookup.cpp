#include "name_lookup.h"

#include <winsock2.h>

#include <cstring>

#include "logs.h"
#include "winsock_session.h"

namespace vorms::fslib {

std::string DottedAddress(uint32_t address) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&address);
  return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
         std::to_string(bytes[2]) + "." + std::to_string(bytes[3]);
}

std::string GetIpFromHost(const std::string& ComputerName) {
  WinsockSession winsock;
  if (!winsock.started()) {
    return "Windows Sockets for 32 bit Windows is not successfully responding.";
  }
  const hostent* host = ::gethostbyname(ComputerName.c_str());
  if (host == nullptr || host->h_addr_list[0] == nullptr) return {};
  uint32_t address = 0;
  std::memcpy(&address, host->h_addr_list[0], sizeof address);
  return DottedAddress(address);
}

std::string GetHostFromIP(const std::string& IP) {
  WinsockSession winsock;
  if (!winsock.started()) return {};
  unsigned long address = ::inet_addr(IP.c_str());
  if (address == INADDR_NONE) return "Invalid IP.";
  PumpPendingMessages();
  const hostent* host = ::gethostbyaddr(reinterpret_cast<const char*>(&address), 4, AF_INET);
  PumpPendingMessages();
  if (host == nullptr) return IP;
  return host->h_name != nullptr ? host->h_name : "";
}

}  // namespace vorms::fslib
