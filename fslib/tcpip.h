// tcpip: network diagnostics as display text (ping, name lookups, TCP connection table)
// for automation clients.
#pragma once

#include "dispatch.h"
#include "ostrilen.h"

namespace vorms::fslib {

class tcpip final : public com::DispatchObject<_tcpip> {
 public:
  HRESULT STDMETHODCALLTYPE Ping(BSTR* sAddress, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE GetIpFromHost(BSTR* ComputerName, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE GET_PORTS_SCANNER_ALL(sFilter* Switch, VARIANT* result) override;
  HRESULT STDMETHODCALLTYPE GetHostFromIP(BSTR* IP, BSTR* result) override;
};

}  // namespace vorms::fslib
