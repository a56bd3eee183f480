#include "tcpip.h"

#include "arguments.h"
#include "com_text.h"
#include "name_lookup.h"
#include "ping.h"
#include "tcp_ports.h"

namespace vorms::fslib {

using com::Ref;
using com::TextArg;
using com::TextResult;

HRESULT tcpip::Ping(BSTR* sAddress, BSTR* result) {
  return Call([&] { Ref(result) = TextResult(fslib::Ping(TextArg(sAddress))); });
}

HRESULT tcpip::GetIpFromHost(BSTR* ComputerName, BSTR* result) {
  return Call([&] { Ref(result) = TextResult(fslib::GetIpFromHost(TextArg(ComputerName))); });
}

HRESULT tcpip::GET_PORTS_SCANNER_ALL(sFilter* Switch, VARIANT* result) {
  return Call([&] {
    std::optional<std::string> report = fslib::GET_PORTS_SCANNER_ALL(Ref(Switch));
    Variant answer = report ? TextVariant(*report) : Variant();
    answer.release(&Ref(result));
  });
}

HRESULT tcpip::GetHostFromIP(BSTR* IP, BSTR* result) {
  return Call([&] { Ref(result) = TextResult(fslib::GetHostFromIP(TextArg(IP))); });
}

}  // namespace vorms::fslib
