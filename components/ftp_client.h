// The FTP client of the service's FTP road: exactly the operations that road uses, in
// the shapes it relies on (1 or non-zero for success, 0 for failure).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "datetime.h"
#include "transfer_watch.h"

namespace vorms {

class FtpClient {
 public:
  virtual ~FtpClient() = default;

  virtual void SetPassive(int32_t passive) = 0;        // 1: passive data connections
  virtual void SetHostname(const std::string& host) = 0;  // "host" or "host:port"
  virtual std::string Hostname() const = 0;
  // "ftp=ftp://proxyhost:port": log on through that FTP gateway as user@host.
  virtual void SetProxy(const std::string& proxy) = 0;
  virtual void SetUsername(const std::string& user) = 0;
  virtual void SetPassword(const std::string& password) = 0;
  // 1 when connected and logged on; anything else is a failure.
  virtual int32_t Connect() = 0;
  virtual int32_t ChangeRemoteDir(const std::string& folder) = 0;  // 0 on failure
  virtual void SetListPattern(const std::string& pattern) = 0;
  // Lists the files matching the pattern; 0 for an empty or failed listing.
  virtual int32_t NumFilesAndDirs() = 0;
  // Raise 9 for an index outside the listing; the time raises 13 when the server gave
  // none. Times are local: MDTM's exact UTC time where the server answers it, else the
  // listing's.
  virtual std::string FileName(int32_t index) = 0;
  virtual DateTime LastModifiedTime(int32_t index) = 0;
  // Non-zero when the file is complete at local_path; after a failure no file is there.
  virtual int32_t GetFile(const std::string& remote_name, const std::string& local_path) = 0;
  virtual void Disconnect() = 0;
};

// The client over WinINet, every operation within the limits.
std::unique_ptr<FtpClient> NewWinInetFtpClient(TransferLimits limits);

}  // namespace vorms
