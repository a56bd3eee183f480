#include "smtp_client.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "datetime.h"
#include "errors.h"
#include "files.h"
#include "handles.h"
#include "mime.h"
#include "smtp_reply.h"

namespace vorms::mail {
namespace {

constexpr DWORD kWaitSliceMs = 50;              // how often a wait looks at the stop event
constexpr uint64_t kMaxAttachment = 64ull << 20;
constexpr std::size_t kSendBlock = 64 * 1024;

// A failed session: why, and whether the stop event ended it.
struct Failure {
  std::string explanation;
  bool stopped = false;
};

class WinsockSession {
 public:
  WinsockSession() {
    WSADATA data;
    started_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~WinsockSession() {
    if (started_) ::WSACleanup();
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
  bool started() const { return started_; }

 private:
  bool started_;
};

std::string Trimmed(std::string_view text) {
  const char* blanks = " \t\r\n";
  std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(blanks);
  return std::string(text.substr(first, last - first + 1));
}

std::string SocketErrorText(int code) {
  switch (code) {
    case WSAECONNREFUSED: return "connection refused";
    case WSAETIMEDOUT: return "timed out";
    case WSAECONNRESET: return "connection reset by the server";
    case WSAECONNABORTED: return "connection aborted";
    case WSAENETUNREACH: return "network unreachable";
    case WSAEHOSTUNREACH: return "host unreachable";
    case WSAHOST_NOT_FOUND: return "host not found";
    case WSATRY_AGAIN: return "name lookup failed for now";
    case WSANO_DATA: return "the name has no address";
    default: return "socket error";
  }
}

std::string WithCode(const std::string& text, int code) { return text + " (" + std::to_string(code) + ")"; }

std::string Seconds(DWORD ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", ms / 1000.0);
  return text;
}

struct Endpoint {
  std::string host;
  uint16_t port;
};

// "host", "host:port", "[v6]" or "[v6]:port"; a bare v6 address keeps its colons.
std::optional<Endpoint> ParseEndpoint(std::string_view text, uint16_t default_port) {
  Endpoint e{Trimmed(text), default_port};
  std::optional<std::string> port_text;
  if (!e.host.empty() && e.host.front() == '[') {
    std::size_t close = e.host.find(']');
    if (close == std::string::npos) return std::nullopt;
    std::string rest = e.host.substr(close + 1);
    e.host = e.host.substr(1, close - 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return std::nullopt;
      port_text = rest.substr(1);
    }
  } else if (std::count(e.host.begin(), e.host.end(), ':') == 1) {
    std::size_t colon = e.host.find(':');
    port_text = e.host.substr(colon + 1);
    e.host.resize(colon);
  }
  if (port_text) {
    if (port_text->empty() || port_text->size() > 5 ||
        !std::all_of(port_text->begin(), port_text->end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return std::nullopt;
    }
    unsigned long port = std::stoul(*port_text);
    if (port == 0 || port > 65535) return std::nullopt;
    e.port = static_cast<uint16_t>(port);
  }
  if (e.host.empty()) return std::nullopt;
  return e;
}

bool StopIsSet(HANDLE stop) { return stop != nullptr && ::WaitForSingleObject(stop, 0) == WAIT_OBJECT_0; }

// One SMTP conversation on a connected socket.
class Session {
 public:
  Session(const SmtpServer& server, std::string where) : server_(server), where_(std::move(where)) {}

  void Connect(const Endpoint& endpoint) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(endpoint.port);
    if (int rc = ::getaddrinfo(endpoint.host.c_str(), port.c_str(), &hints, &found); rc != 0) {
      throw Failure{"Could not find the SMTP server " + endpoint.host + ": " + WithCode(SocketErrorText(rc), rc)};
    }
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, ::freeaddrinfo);
    const ULONGLONG deadline = ::GetTickCount64() + server_.connect_timeout_ms;
    std::string last = "no address";
    for (addrinfo* a = addresses.get(); a != nullptr; a = a->ai_next) {
      if (TryConnect(a, deadline, last)) return;
    }
    throw Failure{"Could not connect to " + where_ + ": " + last};
  }

  Reply ReadReply(const char* waiting_for) {
    // The time limit is for the whole reply, not per byte: a trickling server ends too.
    const ULONGLONG deadline = ::GetTickCount64() + server_.reply_timeout_ms;
    const std::string what = std::string("the reply to ") + waiting_for;
    Reply reply;
    for (;;) {
      switch (TakeReply(buffer_, &reply)) {
        case ReplyState::Complete:
          Status("< " + reply.Shown());
          return reply;
        case ReplyState::Malformed:
          throw Failure{"The server's reply to " + std::string(waiting_for) + " is not SMTP: " + reply.text};
        case ReplyState::TooLong:
          throw Failure{"The server's reply to " + std::string(waiting_for) + " is too long"};
        case ReplyState::NeedMore:
          Receive(deadline, what);
          break;
      }
    }
  }

  void SendAll(std::string_view data) {
    while (!data.empty()) {
      WaitFor(true, ::GetTickCount64() + server_.reply_timeout_ms, "the server to take the message");
      int chunk = static_cast<int>(std::min(data.size(), kSendBlock));
      int sent = ::send(socket_.get(), data.data(), chunk, 0);
      if (sent == SOCKET_ERROR) {
        int code = ::WSAGetLastError();
        if (code == WSAEWOULDBLOCK) continue;
        throw Failure{"The connection to " + where_ + " failed while sending: " + WithCode(SocketErrorText(code), code)};
      }
      data.remove_prefix(static_cast<std::size_t>(sent));
    }
  }

  // Sends one command line and reads its reply.
  Reply Command(const std::string& line, const char* name) {
    Status("> " + line);
    SendAll(line + "\r\n");
    return ReadReply(name);
  }

  void Status(const std::string& text) const {
    if (server_.status) server_.status(text);
  }

 private:
  bool TryConnect(const addrinfo* a, ULONGLONG deadline, std::string& last) {
    Socket s(::socket(a->ai_family, a->ai_socktype, a->ai_protocol));
    if (!s) {
      last = WithCode(SocketErrorText(::WSAGetLastError()), ::WSAGetLastError());
      return false;
    }
    u_long nonblocking = 1;
    ::ioctlsocket(s.get(), FIONBIO, &nonblocking);
    socket_ = std::move(s);
    if (::connect(socket_.get(), a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0) return true;
    int code = ::WSAGetLastError();
    if (code != WSAEWOULDBLOCK && code != WSAEINPROGRESS) {
      last = WithCode(SocketErrorText(code), code);
      socket_.reset();
      return false;
    }
    try {
      WaitFor(true, deadline, "the connection");
    } catch (const Failure& f) {
      socket_.reset();
      if (f.stopped) throw;
      last = "no connection within " + Seconds(server_.connect_timeout_ms);
      return false;
    }
    int error = 0;
    int length = sizeof error;
    ::getsockopt(socket_.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
    if (error == 0) return true;
    last = WithCode(SocketErrorText(error), error);
    socket_.reset();
    return false;
  }

  // Waits until the socket can be written (or read), the deadline passes or a stop is asked.
  void WaitFor(bool write, ULONGLONG deadline, const std::string& what) {
    for (;;) {
      if (StopIsSet(server_.stop)) throw Failure{"The session was ended by a stop request", true};
      ULONGLONG now = ::GetTickCount64();
      if (now >= deadline) {
        throw Failure{"No answer from " + where_ + " within " + Seconds(server_.reply_timeout_ms) +
                      " while waiting for " + what};
      }
      DWORD slice = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, kWaitSliceMs));
      fd_set ready, failed;
      FD_ZERO(&ready);
      FD_ZERO(&failed);
      FD_SET(socket_.get(), &ready);
      FD_SET(socket_.get(), &failed);
      timeval tv{static_cast<long>(slice / 1000), static_cast<long>(slice % 1000) * 1000};
      int n = write ? ::select(0, nullptr, &ready, &failed, &tv) : ::select(0, &ready, nullptr, &failed, &tv);
      if (n == SOCKET_ERROR) {
        int code = ::WSAGetLastError();
        throw Failure{"Waiting on the connection to " + where_ + " failed: " + WithCode(SocketErrorText(code), code)};
      }
      if (n > 0) return;  // a failed socket shows in either set; the next call reports it
    }
  }

  // Appends what the server sent next to the buffer.
  void Receive(ULONGLONG deadline, const std::string& what) {
    for (;;) {
      WaitFor(false, deadline, what);
      char chunk[2048];
      int got = ::recv(socket_.get(), chunk, sizeof chunk, 0);
      if (got == 0) throw Failure{"The server closed the connection while we waited for " + what};
      if (got > 0) {
        buffer_.append(chunk, static_cast<std::size_t>(got));
        return;
      }
      int code = ::WSAGetLastError();
      if (code == WSAEWOULDBLOCK) continue;
      throw Failure{"The connection to " + where_ + " failed while we waited for " + what + ": " +
                    WithCode(SocketErrorText(code), code)};
    }
  }

  const SmtpServer& server_;
  std::string where_;
  Socket socket_;
  std::string buffer_;
};

// This machine's name for EHLO, kept to the characters a domain may hold.
std::string ClientName() {
  char name[256] = {};
  std::string out;
  if (::gethostname(name, sizeof name) == 0) {
    for (const char* p = name; *p; ++p) {
      char c = *p;
      if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '.') out += c;
    }
  }
  return out.empty() ? "localhost" : out;
}

// The text's code page as a mail charset name.
std::string AnsiCharset() {
  switch (UINT cp = ::GetACP()) {
    case 65001: return "utf-8";
    case 932: return "shift_jis";
    case 936: return "gbk";
    case 949: return "ks_c_5601-1987";
    case 950: return "big5";
    case 28591: return "iso-8859-1";
    default: return "windows-" + std::to_string(cp);
  }
}

int UtcOffsetMinutes() {
  TIME_ZONE_INFORMATION zone{};
  DWORD which = ::GetTimeZoneInformation(&zone);
  LONG bias = zone.Bias;
  if (which == TIME_ZONE_ID_DAYLIGHT) bias += zone.DaylightBias;
  else if (which == TIME_ZONE_ID_STANDARD) bias += zone.StandardBias;
  return -static_cast<int>(bias);
}

std::string UniquePart() {
  static std::atomic<unsigned> counter{0};
  LARGE_INTEGER ticks;
  ::QueryPerformanceCounter(&ticks);
  char text[96];
  std::snprintf(text, sizeof text, "%llx.%lx.%x.vorms", static_cast<unsigned long long>(ticks.QuadPart),
                static_cast<unsigned long>(::GetCurrentProcessId()), ++counter);
  return text;
}

std::string FileNameOf(const std::string& path) {
  std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ReadAttachment(const std::string& path) {
  try {
    return ReadWholeFile(path, kMaxAttachment);
  } catch (const RuntimeError& e) {
    throw Failure{"The attachment " + path + " cannot be read: " + e.description()};
  }
}

// The text after DATA, or a failure that says what is wrong with the message.
std::string PreparedData(const Mail& m, const std::string& client) {
  MimeMessage mime;
  mime.from = Trimmed(m.from);
  mime.to = Trimmed(m.to);
  if (mime.to.empty()) throw Failure{"The recipient address is empty"};
  if (!IsSafeAddress(mime.to)) throw Failure{"The recipient address \"" + mime.to + "\" is not a mail address"};
  if (!IsSafeAddress(mime.from)) throw Failure{"The sender address \"" + mime.from + "\" is not a mail address"};
  mime.from_name = m.from_name;
  mime.subject = m.subject;
  mime.text = m.text;
  mime.charset = AnsiCharset();
  mime.date = MailDate(Now(), UtcOffsetMinutes());
  mime.message_id = MessageId(UniquePart(), client);
  if (!m.attachment.empty()) {
    mime.attachment_name = FileNameOf(m.attachment);
    mime.attachment = ReadAttachment(m.attachment);
  }
  return SmtpData(MimeText(mime));
}

void Expect(const Reply& reply, std::initializer_list<int> accepted, const std::string& refused) {
  if (std::find(accepted.begin(), accepted.end(), reply.code) == accepted.end()) {
    throw Failure{refused + ": " + reply.Shown()};
  }
}

void OpenSession(Session& session, const std::string& client) {
  Expect(session.ReadReply("the connection"), {220}, "The server refused the session");
  Reply hello = session.Command("EHLO " + client, "EHLO");
  if (hello.code >= 500 && hello.code < 600) {
    hello = session.Command("HELO " + client, "HELO");  // a server without the extensions
    Expect(hello, {250}, "The server refused HELO");
  } else {
    Expect(hello, {250}, "The server refused EHLO");
  }
}

void Deliver(Session& session, const std::string& from, const std::string& to, const std::string& data) {
  Expect(session.Command("MAIL FROM:<" + from + ">", "MAIL FROM"), {250}, "The server refused the sender " + from);
  Expect(session.Command("RCPT TO:<" + to + ">", "RCPT TO"), {250, 251}, "The server refused the recipient " + to);
  Expect(session.Command("DATA", "DATA"), {354}, "The server refused DATA");
  session.Status("> (message, " + std::to_string(data.size()) + " bytes)");
  session.SendAll(data);
  Expect(session.ReadReply("the message"), {250}, "The server refused the message");
}

// The message is in: a failed goodbye changes nothing, it is only shown.
void SayGoodbye(Session& session) {
  try {
    Reply bye = session.Command("QUIT", "QUIT");
    if (bye.code != 221) session.Status("QUIT answered " + bye.Shown());
  } catch (const Failure& f) {
    session.Status(f.explanation);
  }
}

}  // namespace

SendOutcome SendMail(const SmtpServer& server, const Mail& message) {
  SendOutcome outcome;
  try {
    std::optional<Endpoint> endpoint = ParseEndpoint(server.host, server.port);
    outcome.reached = Stage::Connect;
    if (!endpoint) {
      throw Failure{Trimmed(server.host).empty() ? "No SMTP server is given"
                                                 : "\"" + server.host + "\" is not a server name with an optional port"};
    }
    WinsockSession winsock;
    if (!winsock.started()) throw Failure{"Windows Sockets cannot be started"};
    const std::string client = ClientName();

    outcome.reached = Stage::Prepare;
    const std::string data = PreparedData(message, client);

    outcome.reached = Stage::Connect;
    const std::string where = endpoint->host + ":" + std::to_string(endpoint->port);
    Session session(server, where);
    session.Status("Connecting to " + where);
    session.Connect(*endpoint);
    OpenSession(session, client);

    outcome.reached = Stage::Send;
    Deliver(session, Trimmed(message.from), Trimmed(message.to), data);
    outcome.reached = Stage::Done;
    SayGoodbye(session);
  } catch (const Failure& f) {
    outcome.explanation = f.explanation;
    outcome.stopped = f.stopped;
  } catch (const std::exception& e) {
    outcome.explanation = e.what();
  }
  return outcome;
}

Mail TestMail(const std::string& from, const std::string& to) {
  Mail m;
  m.from = from;
  m.from_name = kTestMailSenderName;
  m.to = to;
  m.subject = kTestMailSubject;
  m.text = kTestMailText;
  return m;
}

std::string TestMailOutcomeText(const SendOutcome& outcome) {
  if (outcome.sent()) return kTestMailSuccess;
  if (outcome.reached == Stage::Connect) return kTestMailConnectFailed;
  return "Failed to send the test mail: " + outcome.explanation;
}

}  // namespace vorms::mail
