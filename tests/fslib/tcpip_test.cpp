#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <regex>

#include "handles.h"
#include "name_lookup.h"
#include "ping.h"
#include "tcp_ports.h"

namespace vorms::fslib {
namespace {

// Nobody answers this address in the test network (an unused host of TEST-NET-1).
constexpr const char* kSilentAddress = "192.0.2.77";

// Wine sends echoes through a raw socket (root) or a ping socket (a group listed in
// net.ipv4.ping_group_range); without either every echo fails with access denied.
bool IcmpRefused(const std::string& report) {
  return report.rfind("Return Status : 5   [", 0) == 0;
}
constexpr const char* kIcmpRefused = "ICMP refused: run as root or widen net.ipv4.ping_group_range";

TEST(Ping, GetsTheDataBackFromTheLoopback) {
  std::string report = Ping("127.0.0.1");
  if (IcmpRefused(report)) GTEST_SKIP() << kIcmpRefused;
  EXPECT_TRUE(std::regex_match(report, std::regex("Return Status : 0   \\[ ip success \\]\r\n"
                                                  "Address \\(dec\\): 16777343\r\n"
                                                  "Round Trip time: \\d+ ms\r\n"
                                                  "Data Packet size: 20 bytes\r\n"
                                                  "Data returned: 12345678901234567890\r\n"
                                                  "Data Pointer: [1-9]\\d*\r\n")))
      << report;
}

TEST(Ping, SendsNothingForAHostName) {
  EXPECT_EQ(Ping("localhost"),
            "Return Status : -1   [ inet_addr: bad IP format ]\r\n"
            "Address (dec): 0\r\n"
            "Round Trip time: 0 ms\r\n"
            "Data Packet size: 0 bytes\r\n"
            "Data Pointer: 0\r\n");
}

TEST(Ping, ReportsAnAddressThatDoesNotAnswer) {
  std::string report = Ping(kSilentAddress);
  if (IcmpRefused(report)) GTEST_SKIP() << kIcmpRefused;
  // A router of another network may answer for the address; then nothing is silent.
  if (report.find("   [ ip dest ") != std::string::npos) GTEST_SKIP() << "a router answered: " << report;
  EXPECT_EQ(report.substr(0, report.find("\r\n")),
            "Return Status : 11010   [ ip req timed out ]");
  EXPECT_EQ(report.find("Data returned"), std::string::npos) << report;
}

TEST(FailedEchoStatus, NeverReportsSuccess) {
  EXPECT_EQ(FailedEchoStatus(11010, 11010), 11010);
  EXPECT_EQ(FailedEchoStatus(0, ERROR_ACCESS_DENIED), 5);
  EXPECT_EQ(FailedEchoStatus(0, 0), 11050);
}

TEST(EchoStatusText, NamesEveryStatus) {
  const std::pair<long, const char*> cases[] = {
      {0, "ip success"},         {500, "ping timeout"},
      {11001, "ip buf too_small"}, {11010, "ip req timed out"},
      {11018, "ip bad destination"}, {11050, "ip general failure"},
      {11255, "ip pending"},     {-1, "inet_addr: bad IP format"},
      {11024, "unknown  msg returned"}, {87, "unknown  msg returned"},
  };
  for (const auto& [status, text] : cases) EXPECT_EQ(EchoStatusText(status), text) << status;
}

TEST(EchoReport, WritesADataLineOnlyForData) {
  EchoReply reply;
  reply.status = 11005;
  reply.address = 0x0100A8C0;  // 192.168.0.1
  reply.round_trip_ms = 7;
  reply.data_pointer = 4096;
  EXPECT_EQ(EchoReport(reply),
            "Return Status : 11005   [ ip dest port unreachable ]\r\n"
            "Address (dec): 16820416\r\n"
            "Round Trip time: 7 ms\r\n"
            "Data Packet size: 0 bytes\r\n"
            "Data Pointer: 4096\r\n");
  reply.address = 0xFE00A8C0;  // 192.168.0.254: negative as a signed number
  EXPECT_NE(EchoReport(reply).find("Address (dec): -33511232\r\n"), std::string::npos);
}

TEST(GetIpFromHost, ResolvesNamesAndGivesEmptyTextForUnknownOnes) {
  EXPECT_EQ(GetIpFromHost("localhost"), "127.0.0.1");
  EXPECT_EQ(GetIpFromHost("127.0.0.1"), "127.0.0.1");
  EXPECT_EQ(GetIpFromHost("no-such-host.invalid"), "");
}

TEST(GetHostFromIP, NamesTheHostOrGivesTheAddressBack) {
  char expected[NI_MAXHOST] = {};
  sockaddr_in loopback{};
  loopback.sin_family = AF_INET;
  loopback.sin_addr.s_addr = ::inet_addr("127.0.0.1");
  ASSERT_EQ(::getnameinfo(reinterpret_cast<sockaddr*>(&loopback), sizeof loopback, expected,
                          sizeof expected, nullptr, 0, NI_NAMEREQD),
            0);
  EXPECT_EQ(GetHostFromIP("127.0.0.1"), expected);
  EXPECT_EQ(GetHostFromIP("127.0.0.2"), "127.0.0.2");  // no reverse entry
  EXPECT_EQ(GetHostFromIP("abc"), "Invalid IP.");
}

MIB_TCPROW Row(DWORD state, const char* local, u_short local_port, const char* remote,
               u_short remote_port) {
  MIB_TCPROW row{};
  row.dwState = state;
  row.dwLocalAddr = ::inet_addr(local);
  row.dwLocalPort = ::htons(local_port);
  row.dwRemoteAddr = ::inet_addr(remote);
  row.dwRemotePort = ::htons(remote_port);
  return row;
}

TEST(PortsLine, PadsEveryColumn) {
  EXPECT_EQ(PortsLine(Row(2, "0.0.0.0", 135, "0.0.0.0", 0)),
            "0.0.0.0........|............135|0.0.0.0..........|..............0|2|..listening|");
  EXPECT_EQ(PortsLine(Row(5, "192.168.100.200", 65535, "10.0.0.7", 49152)),
            "192.168.100.200|..........65535|10.0.0.7.........|..........49152|5|established|");
  EXPECT_EQ(PortsLine(Row(13, "127.0.0.1", 80, "0.0.0.0", 0)),
            "127.0.0.1......|.............80|0.0.0.0..........|..............0|13|...........|");
}

TEST(TcpStateName, NamesStatesOneToTwelve) {
  EXPECT_EQ(TcpStateName(1), "closed");
  EXPECT_EQ(TcpStateName(3), "sent");
  EXPECT_EQ(TcpStateName(12), "TCB deleted");
  EXPECT_EQ(TcpStateName(0), "");
  EXPECT_EQ(TcpStateName(13), "");
}

TEST(PortsReport, KeepsTheRowsEachFilterAdmits) {
  const std::vector<MIB_TCPROW> rows = {
      Row(2, "0.0.0.0", 135, "0.0.0.0", 0), Row(5, "127.0.0.1", 80, "127.0.0.1", 50000),
      Row(3, "127.0.0.1", 50001, "127.0.0.1", 81), Row(13, "127.0.0.1", 82, "0.0.0.0", 0)};
  const std::string header =
      "Local IP.......|.....Local Port|Remote IP........|....Remote port|\r\n";
  const std::string lines[] = {PortsLine(rows[0]) + "\r\n", PortsLine(rows[1]) + "\r\n",
                               PortsLine(rows[2]) + "\r\n", PortsLine(rows[3]) + "\r\n"};
  EXPECT_EQ(PortsReport(rows, PortFilter::ViewAll),
            header + lines[0] + lines[1] + lines[2] + lines[3]);
  EXPECT_EQ(PortsReport(rows, PortFilter::Listen), header + lines[0]);
  EXPECT_EQ(PortsReport(rows, PortFilter::Establish), header + lines[1]);
  EXPECT_EQ(PortsReport(rows, PortFilter::sent), header + lines[2]);
  EXPECT_EQ(PortsReport({rows[1]}, PortFilter::Listen), "No ports found with your request");
  EXPECT_EQ(PortsReport({}, PortFilter::ViewAll), "No ports found with your request");
}

TEST(PortsScanner, RefusesValuesOutsideTheFilters) {
  EXPECT_FALSE(GET_PORTS_SCANNER_ALL(7));
  EXPECT_FALSE(GET_PORTS_SCANNER_ALL(-1));
}

// Real sockets on the loopback: one listening with no room in its queue, one connection
// that it took, and connections that stay in the sent state because it has no room left.
class HeldSockets : public testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &data), 0);
    listener_.reset(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::inet_addr("127.0.0.1");
    ASSERT_EQ(::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener_.get(), 0), 0);
    int length = sizeof address;
    ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ::ntohs(address.sin_port);
    for (Socket& client : clients_) {
      client.reset(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
      u_long non_blocking = 1;
      ::ioctlsocket(client.get(), FIONBIO, &non_blocking);
      ::connect(client.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
  }
  void TearDown() override {
    for (Socket& client : clients_) client.reset();
    listener_.reset();
    ::WSACleanup();
  }

  std::string Port() const { return std::to_string(port_); }
  std::string Scan(PortFilter filter) const {
    return GET_PORTS_SCANNER_ALL(static_cast<long>(filter)).value_or("(empty variant)");
  }
  static std::string Padded(const std::string& text) {
    return std::string(15 - text.size(), '.') + text;
  }
  std::string ListeningLine() const {
    return "127.0.0.1......|" + Padded(Port()) + "|0.0.0.0..........|..............0|2|..listening|\r\n";
  }
  // A line of a connection from the loopback to the listener in the given state.
  std::regex ClientLine(const std::string& state) const {
    return std::regex("127\\.0\\.0\\.1\\.{6}\\|\\.+\\d+\\|127\\.0\\.0\\.1\\.{8}\\|" +
                      Padded(Port()) + "\\|" + state + "\\|");
  }

  Socket listener_;
  Socket clients_[4];
  u_short port_ = 0;
};

TEST_F(HeldSockets, ViewAllListsEveryStateUnderTheHeader) {
  std::string all = Scan(PortFilter::ViewAll);
  EXPECT_EQ(all.rfind("Local IP.......|.....Local Port|Remote IP........|....Remote port|\r\n", 0),
            0u);
  EXPECT_NE(all.find(ListeningLine()), std::string::npos) << all;
  EXPECT_TRUE(std::regex_search(all, ClientLine("5\\|established"))) << all;
  EXPECT_TRUE(std::regex_search(all, ClientLine("3\\|\\.{7}sent"))) << all;
}

TEST_F(HeldSockets, EachFilterKeepsItsOwnState) {
  std::string listening = Scan(PortFilter::Listen);
  EXPECT_NE(listening.find(ListeningLine()), std::string::npos) << listening;
  EXPECT_FALSE(std::regex_search(listening, ClientLine("5\\|established")));

  std::string established = Scan(PortFilter::Establish);
  EXPECT_TRUE(std::regex_search(established, ClientLine("5\\|established"))) << established;
  EXPECT_EQ(established.find(ListeningLine()), std::string::npos);

  std::string sent = Scan(PortFilter::sent);
  EXPECT_TRUE(std::regex_search(sent, ClientLine("3\\|\\.{7}sent"))) << sent;
  EXPECT_EQ(sent.find(ListeningLine()), std::string::npos);
  EXPECT_FALSE(std::regex_search(sent, ClientLine("5\\|established")));
}

}  // namespace
}  // namespace vorms::fslib
