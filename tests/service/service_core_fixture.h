// What the service-core tests share: the server's registry record of its folder, made
// and removed by the test, and the journal lines without their time stamps.
#pragma once

#include <string>
#include <vector>

namespace vorms::test {

// HKEY_LOCAL_MACHINE\SOFTWARE\TrendMicro\OfficeScan\service\Information; the whole
// TrendMicro key is removed before and after.
class ServerRecord {
 public:
  ServerRecord();
  ~ServerRecord();
  ServerRecord(const ServerRecord&) = delete;
  ServerRecord& operator=(const ServerRecord&) = delete;

  void CreateKey() const;
  void SetLocalPath(const std::string& path) const;
};

// The lines of a journal file with the leading "yyyy-mm-dd hh:mm:ss " removed.
std::vector<std::string> Events(const std::string& path);

}  // namespace vorms::test
