// Forward and reverse name resolution.
#pragma once

#include <cstdint>
#include <string>

namespace vorms::fslib {

// An IPv4 address held in network byte order as dotted text ("10.0.0.7").
std::string DottedAddress(uint32_t address);

// The first address of ComputerName as dotted text; empty text when it is not found.
std::string GetIpFromHost(const std::string& ComputerName);

// The official name of the host at the dotted address IP; the address itself when it has
// no name, "Invalid IP." when IP is not an address.
std::string GetHostFromIP(const std::string& IP);

}  // namespace vorms::fslib
