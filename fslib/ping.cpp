#include "ping.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <icmpapi.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "handles.h"
#include "winsock_session.h"

namespace vorms::fslib {
namespace {

constexpr char kEchoData[] = "12345678901234567890";
constexpr DWORD kEchoTimeoutMs = 500;
constexpr std::size_t kReplyBufferSize = 278;

// The bytes the reply's data pointer designates, when they lie inside the reply buffer,
// up to the first zero.
std::string ReturnedData(const ICMP_ECHO_REPLY& raw, const unsigned char* buffer) {
  auto* data = static_cast<const unsigned char*>(raw.Data);
  const unsigned char* end = buffer + kReplyBufferSize;
  if (data < buffer || data >= end) return {};
  std::size_t size = std::min<std::size_t>(raw.DataSize, end - data);
  auto* zero = std::find(data, data + size, 0);
  return std::string(reinterpret_cast<const char*>(data), zero - data);
}

EchoReply SendEcho(IPAddr address) {
  EchoReply reply;
  IcmpHandle icmp(::IcmpCreateFile());
  if (!icmp) {
    reply.status = IP_GENERAL_FAILURE;
    return reply;
  }
  alignas(ICMP_ECHO_REPLY) unsigned char buffer[kReplyBufferSize] = {};
  char request[sizeof kEchoData];
  std::memcpy(request, kEchoData, sizeof request);
  DWORD replies = ::IcmpSendEcho(icmp.get(), address, request, sizeof kEchoData - 1, nullptr,
                                 buffer, sizeof buffer, kEchoTimeoutMs);
  DWORD last_error = ::GetLastError();
  const auto& raw = *reinterpret_cast<const ICMP_ECHO_REPLY*>(buffer);
  reply.status = replies != 0 ? static_cast<long>(raw.Status)
                              : FailedEchoStatus(raw.Status, last_error);
  reply.address = raw.Address;
  reply.round_trip_ms = raw.RoundTripTime;
  reply.data_size = raw.DataSize;
  reply.data_pointer = reinterpret_cast<uintptr_t>(raw.Data);
  reply.data = ReturnedData(raw, buffer);
  return reply;
}

}  // namespace

long FailedEchoStatus(unsigned long record_status, unsigned long last_error) {
  if (record_status != IP_SUCCESS) return static_cast<long>(record_status);
  return last_error != 0 ? static_cast<long>(last_error) : IP_GENERAL_FAILURE;
}

std::string EchoStatusText(long status) {
  // The report's own wording of the IP_* status names (IP_SPEC_MTU_CHANGE and the
  // rest), exactly as clients of this library have always read it.
  static const std::map<long, const char*> texts = {
      {0, "ip success"},
      {500, "ping timeout"},
      {11001, "ip buf too_small"},
      {11002, "ip dest net unreachable"},
      {11003, "ip dest host unreachable"},
      {11004, "ip dest prot unreachable"},
      {11005, "ip dest port unreachable"},
      {11006, "ip no resources"},
      {11007, "ip bad option"},
      {11008, "ip hw_error"},
      {11009, "ip packet too_big"},
      {11010, "ip req timed out"},
      {11011, "ip bad req"},
      {11012, "ip bad route"},
      {11013, "ip ttl expired transit"},
      {11014, "ip ttl expired reassem"},
      {11015, "ip param_problem"},
      {11016, "ip source quench"},
      {11017, "ip option too_big"},
      {11018, "ip bad destination"},
      {11019, "ip addr deleted"},
      {11020, "ip specific mtu change"},
      {11021, "ip mtu_change"},
      {11022, "ip unload"},
      {11023, "ip addr added"},
      {11050, "ip general failure"},
      {11255, "ip pending"},
      {-1, "inet_addr: bad IP format"},
  };
  auto found = texts.find(status);
  return found == texts.end() ? "unknown  msg returned" : found->second;
}

std::string EchoReport(const EchoReply& reply) {
  std::string report = "Return Status : " + std::to_string(reply.status) + "   [ " +
                       EchoStatusText(reply.status) + " ]\r\n";
  report += "Address (dec): " + std::to_string(static_cast<int32_t>(reply.address)) + "\r\n";
  report += "Round Trip time: " + std::to_string(reply.round_trip_ms) + " ms\r\n";
  report += "Data Packet size: " + std::to_string(reply.data_size) + " bytes\r\n";
  if (!reply.data.empty()) report += "Data returned: " + reply.data + "\r\n";
  report += "Data Pointer: " + std::to_string(reply.data_pointer) + "\r\n";
  return report;
}

std::string Ping(const std::string& sAddress) {
  WinsockSession winsock;
  if (!winsock.started()) {
    return "Windows Sockets for 32 bit Windows environments is not successfully responding.";
  }
  IPAddr address = ::inet_addr(sAddress.c_str());
  if (address == INADDR_NONE) {
    EchoReply bad_format;
    bad_format.status = -1;
    return EchoReport(bad_format);
  }
  return EchoReport(SendEcho(address));
}

}  // namespace vorms::fslib
