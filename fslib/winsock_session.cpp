#include "winsock_session.h"

#include <winsock2.h>

#include "warnings.h"

namespace vorms::fslib {

WinsockSession::WinsockSession() {
  WSADATA data;
  started_ = ::WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

WinsockSession::~WinsockSession() {
  if (started_ && ::WSACleanup() != 0) ReportWarning("Windows Sockets error occurred in Cleanup.");
}

}  // namespace vorms::fslib
