#include "tcp_ports.h"

#include "logs.h"
#include "name_lookup.h"

namespace vorms::fslib {
namespace {

constexpr std::size_t kColumnWidth = 15;
constexpr std::size_t kStateNameWidth = 11;

std::string PadRight(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), '.');
  return text;
}

std::string PadLeft(const std::string& text, std::size_t width) {
  return text.size() < width ? std::string(width - text.size(), '.') + text : text;
}

std::string PortText(DWORD port) { return std::to_string(::ntohs(static_cast<u_short>(port))); }

std::string PaddedStateName(DWORD state) { return PadLeft(TcpStateName(state), kStateNameWidth); }

bool Admits(PortFilter filter, DWORD state) {
  switch (filter) {
    case PortFilter::ViewAll: return true;
    case PortFilter::Establish: return PaddedStateName(state) == "established";
    case PortFilter::Listen: return PaddedStateName(state) == "..listening";
    case PortFilter::sent: return PaddedStateName(state) == ".......sent";
  }
  return false;
}

std::string HeaderLine() {
  return PadRight("Local IP", kColumnWidth) + "|" + PadLeft("Local Port", kColumnWidth) + "|" +
         PadRight("Remote IP", kColumnWidth) + "..|" + PadLeft("Remote port", kColumnWidth) +
         "|\r\n";
}

// The sorted table; empty when it cannot be read. A table that grows between the size
// question and the read is asked for again.
std::vector<MIB_TCPROW> SortedTcpRows() {
  std::vector<unsigned char> buffer;
  for (int attempt = 0; attempt < 5; ++attempt) {
    ULONG size = static_cast<ULONG>(buffer.size());
    auto* table = buffer.empty() ? nullptr : reinterpret_cast<MIB_TCPTABLE*>(buffer.data());
    DWORD status = ::GetTcpTable(table, &size, TRUE);
    if (status == NO_ERROR && table != nullptr) {
      return {table->table, table->table + table->dwNumEntries};
    }
    if (status != ERROR_INSUFFICIENT_BUFFER || size == 0) return {};
    buffer.assign(size, 0);
  }
  return {};
}

}  // namespace

std::string TcpStateName(DWORD state) {
  static const char* const kNames[] = {"closed",     "listening",  "sent",       "received",
                                       "established", "fin wait 1", "fin wait 2", "close wait",
                                       "closing",    "last ack",   "time wait",  "TCB deleted"};
  return state >= 1 && state <= 12 ? kNames[state - 1] : "";
}

std::string PortsLine(const MIB_TCPROW& row) {
  return PadRight(DottedAddress(row.dwLocalAddr), kColumnWidth) + "|" +
         PadLeft(PortText(row.dwLocalPort), kColumnWidth) + "|" +
         PadRight(DottedAddress(row.dwRemoteAddr), kColumnWidth) + "..|" +
         PadLeft(PortText(row.dwRemotePort), kColumnWidth) + "|" + std::to_string(row.dwState) +
         "|" + PaddedStateName(row.dwState) + "|";
}

std::string PortsReport(const std::vector<MIB_TCPROW>& rows, PortFilter filter) {
  std::string kept;
  for (const MIB_TCPROW& row : rows) {
    std::string line = PortsLine(row);
    PumpPendingMessages();
    if (Admits(filter, row.dwState)) kept += line + "\r\n";
  }
  return kept.empty() ? "No ports found with your request" : HeaderLine() + kept;
}

std::optional<std::string> GET_PORTS_SCANNER_ALL(long Switch) {
  if (Switch < 0 || Switch > 3) return std::nullopt;
  return PortsReport(SortedTcpRows(), static_cast<PortFilter>(Switch));
}

}  // namespace vorms::fslib
