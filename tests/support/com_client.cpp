#include "com_client.h"

#include "test_support.h"

namespace vorms::test {

DWORD Regsvr32(const std::string& options, const std::string& library) {
  ProcessResult result = RunProcess("regsvr32.exe " + options + " \"" + library + "\"");
  return result.timed_out ? WAIT_TIMEOUT : result.exit_code;
}

}  // namespace vorms::test
