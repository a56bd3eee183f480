// tcpip through COM, created by class id and called through its function table.
#include <gtest/gtest.h>

#include "ostrilen_client.h"

namespace vorms::fslib {
namespace {

class TcpipThroughCom : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(tcpip_); }

  using TextMethod = HRESULT (STDMETHODCALLTYPE _tcpip::*)(BSTR*, BSTR*);

  std::string Call(TextMethod method, const std::string& argument) {
    Bstr in = ToBstr(argument), result;
    EXPECT_EQ((tcpip_.get()->*method)(in.inout(), result.receive()), S_OK);
    return FromBstr(result.get());
  }

  Variant Scan(sFilter filter) {
    Variant result;
    EXPECT_EQ(tcpip_->GET_PORTS_SCANNER_ALL(&filter, result.receive()), S_OK);
    return result;
  }

  ComPtr<_tcpip> tcpip_ = test::CreateObject<_tcpip>(CLSID_tcpip);
};

TEST_F(TcpipThroughCom, PingsAndResolves) {
  EXPECT_EQ(Call(&_tcpip::Ping, "localhost").rfind("Return Status : -1   [ inet_addr: bad", 0), 0u);
  EXPECT_EQ(Call(&_tcpip::GetIpFromHost, "localhost"), "127.0.0.1");
  EXPECT_EQ(Call(&_tcpip::GetIpFromHost, "no-such-host.invalid"), "");
  EXPECT_EQ(Call(&_tcpip::GetHostFromIP, "127.0.0.2"), "127.0.0.2");
  EXPECT_EQ(Call(&_tcpip::GetHostFromIP, "abc"), "Invalid IP.");
}

TEST_F(TcpipThroughCom, ScansPortsIntoATextVariantOrNothing) {
  Variant all = Scan(ViewAll);
  ASSERT_EQ(all.type(), VT_BSTR);
  EXPECT_EQ(FromBstr(V_BSTR(all.get())).rfind("Local IP.......|", 0), 0u);
  EXPECT_EQ(Scan(static_cast<sFilter>(7)).type(), VT_EMPTY);
}

}  // namespace
}  // namespace vorms::fslib
