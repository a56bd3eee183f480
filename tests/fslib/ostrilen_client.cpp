#include "ostrilen_client.h"

#include <gtest/gtest.h>

namespace vorms::test {
namespace {

// Every test of this program finds Ostrilen registered and COM started on its thread.
class RegisteredOstrilen : public testing::Environment {
 public:
  void SetUp() override {
    ASSERT_EQ(RunRegsvr32(false), 0u);
    ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  }
  void TearDown() override {
    ::CoUninitialize();
    RunRegsvr32(true);
  }
};

testing::Environment* const kRegistered =
    testing::AddGlobalTestEnvironment(new RegisteredOstrilen);

}  // namespace

std::string OstrilenPath() { return BuildFolder() + "\\Ostrilen.dll"; }

DWORD RunRegsvr32(bool unregister) {
  std::string command = std::string("regsvr32 /s ") + (unregister ? "/u " : "") + "\"" +
                        OstrilenPath() + "\"";
  return RunProcess(command).exit_code;
}

}  // namespace vorms::test
