// A program folder for the installation tests, with a blank in its path as on a server
// ("...\Vorms Folder"), logs and debug lines on, the server root at its PCCSRV, and
// helpers that lay out stand-in tools, patterns and packages.
#pragma once

#include <string>

#include "test_support.h"

namespace vorms::test {

// build/bin/fixtures/tsc_<version>_<pattern>/tsc.exe
std::string StandIn(const std::string& version, const std::string& pattern);

class InstallSandbox {
 public:
  InstallSandbox();
  ~InstallSandbox();

  std::string Folder() const { return folder_; }
  std::string File(const std::string& name) const { return folder_ + "\\" + name; }
  std::string Admin(const std::string& name) const { return folder_ + "\\PCCSRV\\ADMIN\\" + name; }
  std::string Temp(const std::string& name) const { return folder_ + "\\temp\\" + name; }

  // tsc.exe (the stand-in) and a tsc.ptn of ptn_size bytes into "temp" (with a package on
  // record, as after a retrieval) / into ADMIN.
  void Unpack(const std::string& version, const std::string& pattern, std::size_t ptn_size);
  void Install(const std::string& version, const std::string& pattern, std::size_t ptn_size);
  // A package of the program folder holding both, last written at the given local time.
  std::string Package(const std::string& name, const std::string& version, const std::string& pattern,
                      std::size_t ptn_size, const SYSTEMTIME& written);

  std::string Setting(const std::string& key) const;  // [TSC] key, raw
  bool LogHas(const std::string& text) const;         // vorms.log
  bool DebugLogHas(const std::string& text) const;    // VORMS_DEBUG.log

 private:
  void Lay(const std::string& folder, const std::string& version, const std::string& pattern,
           std::size_t ptn_size);
  ProgramSandbox sandbox_;
  std::string folder_;
};

}  // namespace vorms::test
