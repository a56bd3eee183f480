// One ICMP echo and its report.
#pragma once

#include <cstdint>
#include <string>

namespace vorms::fslib {

// The fields of an echo reply that the report shows.
struct EchoReply {
  long status = 0;
  uint32_t address = 0;  // network byte order
  uint32_t round_trip_ms = 0;
  uint16_t data_size = 0;
  uint64_t data_pointer = 0;
  std::string data;  // the returned bytes up to the first zero
};

// The status of an echo that the system reports as failed: the record's status, or when
// the record was left at success (a refused socket leaves it so), the last error, or a
// general failure; never a success.
long FailedEchoStatus(unsigned long record_status, unsigned long last_error);

// The text of an echo status number ("ip success", "ip req timed out", ...).
std::string EchoStatusText(long status);

// The report, one CR LF ended line per field.
std::string EchoReport(const EchoReply& reply);

// Sends one echo of "12345678901234567890" to the dotted address sAddress (500 ms) and
// returns the report; a text that is not an address gives status -1 without sending.
std::string Ping(const std::string& sAddress);

}  // namespace vorms::fslib
