// The HTTP download component of the service's HTTP road: exactly the operations that
// road uses. A failed transfer raises the error event (on the caller's thread, during
// Download) with one text that says what went wrong.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "transfer_watch.h"

namespace vorms {

class HttpDownloader {
 public:
  static constexpr int32_t kThroughProxy = 1;
  static constexpr int32_t kDirect = 2;

  virtual ~HttpDownloader() = default;

  virtual void SetAccessMode(int32_t mode) = 0;
  virtual void SetProxyName(const std::string& name) = 0;
  virtual void SetProxyPort(int16_t port) = 0;
  virtual void SetUserName(const std::string& user) = 0;      // the proxy's credentials
  virtual void SetPassword(const std::string& password) = 0;
  virtual void SetSourceUrl(const std::string& url) = 0;
  virtual void SetDestinationFile(const std::string& path) = 0;
  // Returns when the transfer has ended: the file is then complete at the destination,
  // or the error event was raised and no file is there.
  virtual void Download() = 0;
  virtual void OnError(std::function<void(const std::string&)> handler) = 0;
};

std::unique_ptr<HttpDownloader> NewWinInetHttpDownloader(TransferLimits limits);

}  // namespace vorms
