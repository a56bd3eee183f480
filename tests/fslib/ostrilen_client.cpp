#include "ostrilen_client.h"

#include <gtest/gtest.h>

namespace vorms::test {
namespace {

// Every test of this program finds Ostrilen registered and COM started on its thread.
class RegisteredOstrilen : public testing::Environment {
 public:
  void SetUp() override {
    ASSERT_EQ(RegisterOstrilen(), 0u);
    ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  }
  void TearDown() override {
    ::CoUninitialize();
    UnregisterOstrilen();
  }
};

[[maybe_unused]] testing::Environment* const kRegistered =
    testing::AddGlobalTestEnvironment(new RegisteredOstrilen);

}  // namespace

std::string OstrilenPath() { return BuildFolder() + "\\Ostrilen.dll"; }

DWORD RegisterOstrilen() { return Regsvr32("/s", OstrilenPath()); }
DWORD UnregisterOstrilen() { return Regsvr32("/s /u", OstrilenPath()); }

}  // namespace vorms::test
