// One use of Windows Sockets 1.1: started on construction, cleaned up on every return.
#pragma once

namespace vorms::fslib {

class WinsockSession {
 public:
  WinsockSession();
  ~WinsockSession();
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;

  bool started() const { return started_; }

 private:
  bool started_ = false;
};

}  // namespace vorms::fslib
