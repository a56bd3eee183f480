// The machine's TCP connection table as text, filtered by state.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <optional>
#include <string>
#include <vector>

namespace vorms::fslib {

// The values of the sFilter enumeration.
enum class PortFilter : long { ViewAll = 0, Establish = 1, Listen = 2, sent = 3 };

// The name of a TCP state number ("listening", "established", ...); empty text outside 1..12.
std::string TcpStateName(DWORD state);

// One row as its line of dotted columns, without the line end.
std::string PortsLine(const MIB_TCPROW& row);

// The header and the rows the filter admits, each line ended by CR LF; "No ports found with
// your request" when it admits none.
std::string PortsReport(const std::vector<MIB_TCPROW>& rows, PortFilter filter);

// The report over the machine's sorted TCP table; nothing (an empty variant for a COM
// caller) when Switch is not one of the filters.
std::optional<std::string> GET_PORTS_SCANNER_ALL(long Switch);

}  // namespace vorms::fslib
