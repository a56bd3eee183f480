#include "http_download.h"

#include <vector>

#include "net_text.h"
#include "staged_file.h"

namespace vorms {
namespace {

constexpr char kAgent[] = "Vormsline";
constexpr DWORD kReadChunk = 64 * 1024;

bool IsCertificateError(DWORD code) {
  switch (code) {
    case ERROR_INTERNET_INVALID_CA:
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
    case ERROR_INTERNET_SEC_CERT_ERRORS:
    case ERROR_INTERNET_SEC_CERT_REVOKED:
    case ERROR_INTERNET_SEC_CERT_NO_REV:
    case ERROR_INTERNET_SEC_CERT_REV_FAILED:
    case ERROR_INTERNET_SEC_INVALID_CERT:
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
      return true;
    default:
      return false;
  }
}

const char* CertificateProblem(DWORD code) {
  switch (code) {
    case ERROR_INTERNET_INVALID_CA: return "it is not issued by a trusted authority";
    case ERROR_INTERNET_SEC_CERT_CN_INVALID: return "it names another server";
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID: return "it has expired or is not yet valid";
    case ERROR_INTERNET_SEC_CERT_REVOKED: return "it has been revoked";
    default: return "it was refused";
  }
}

std::string FailureText(DWORD code) {
  if (IsCertificateError(code)) {
    return std::string("the server's certificate does not verify: ") + CertificateProblem(code) +
           " (" + std::to_string(code) + ")";
  }
  return InternetErrorText(code);
}

DWORD QueryNumber(HINTERNET request, DWORD what, bool& present) {
  DWORD value = 0;
  DWORD size = sizeof value;
  present = ::HttpQueryInfoA(request, what | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr) != FALSE;
  return value;
}

std::string QueryText(HINTERNET request, DWORD what) {
  char buffer[256];
  DWORD size = sizeof buffer;
  if (!::HttpQueryInfoA(request, what, buffer, &size, nullptr)) return {};
  return std::string(buffer, size);
}

struct Job {
  bool through_proxy = false;
  std::string proxy, user, password, url, destination;
  TransferLimits limits;
};

std::string WriteFailure(const Job& job, const StagedFile& staged) {
  return "the file cannot be written [" + job.destination + "]: " + InternetErrorText(staged.error());
}

// The GET request sent, through the proxy with its credentials when the job says so;
// null with the error text when it could not be sent.
HINTERNET SendRequest(const Job& job, const net::Url& url, InternetHandles& handles, std::string& error) {
  HINTERNET internet = handles.Keep(::InternetOpenA(
      kAgent, job.through_proxy ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_DIRECT,
      job.through_proxy ? job.proxy.c_str() : nullptr, nullptr, 0));
  if (!internet) {
    error = "the transfer cannot start: " + InternetErrorText(::GetLastError());
    return nullptr;
  }
  SetTimeouts(internet, job.limits.connect_ms, job.limits.idle_ms);
  const INTERNET_PORT port = url.server.port
                                 ? url.server.port
                                 : (url.secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT);
  HINTERNET connection = handles.Keep(::InternetConnectA(
      internet, url.server.host.c_str(), port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) {
    error = FailureText(::GetLastError());
    return nullptr;
  }
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
  if (url.secure) flags |= INTERNET_FLAG_SECURE;
  const char* accept[] = {"*/*", nullptr};
  HINTERNET request = handles.Keep(
      ::HttpOpenRequestA(connection, "GET", url.path.c_str(), nullptr, nullptr, accept, flags, 0));
  if (!request) {
    error = FailureText(::GetLastError());
    return nullptr;
  }
  if (url.secure) {
    // Authority, name and dates are checked; revocation is not, as a certificate
    // without a reachable revocation list would otherwise never verify.
    DWORD security = 0;
    DWORD size = sizeof security;
    ::InternetQueryOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &security, &size);
    security |= SECURITY_FLAG_IGNORE_REVOCATION;
    ::InternetSetOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &security, sizeof security);
  }
  if (job.through_proxy) {
    ::InternetSetOptionA(request, INTERNET_OPTION_PROXY_USERNAME,
                         const_cast<char*>(job.user.c_str()), static_cast<DWORD>(job.user.size()));
    ::InternetSetOptionA(request, INTERNET_OPTION_PROXY_PASSWORD,
                         const_cast<char*>(job.password.c_str()),
                         static_cast<DWORD>(job.password.size()));
  }
  if (!::HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
    error = FailureText(::GetLastError());
    return nullptr;
  }
  return request;
}

// Anything but 200 is a failure; the error text says which.
bool AnsweredOk(const Job& job, HINTERNET request, std::string& error) {
  bool present = false;
  const DWORD status = QueryNumber(request, HTTP_QUERY_STATUS_CODE, present);
  if (present && status == HTTP_STATUS_OK) return true;
  std::string reason = QueryText(request, HTTP_QUERY_STATUS_TEXT);
  // Proxies answer a wrong password with 407, some (tinyproxy) with 401.
  const bool refused = status == HTTP_STATUS_PROXY_AUTH_REQ ||
                       (status == HTTP_STATUS_DENIED && job.through_proxy);
  error = refused ? "the credentials were refused (" + std::to_string(status) + " " + reason + ")"
                  : "the server answered " + std::to_string(status) + " " + reason;
  return false;
}

// The body into the staged file, all of it (as long as the server said it would be).
bool ReceiveBody(const Job& job, HINTERNET request, StagedFile& staged, WatchState& state,
                 std::string& error) {
  bool has_length = false;
  const DWORD length = QueryNumber(request, HTTP_QUERY_CONTENT_LENGTH, has_length);
  unsigned long long received = 0;
  std::vector<char> buffer(kReadChunk);
  for (;;) {
    DWORD got = 0;
    if (!::InternetReadFile(request, buffer.data(), kReadChunk, &got)) {
      error = "the transfer broke off after " + std::to_string(received) + " bytes: " +
              InternetErrorText(::GetLastError());
      return false;
    }
    if (got == 0) break;
    received += got;
    state.progress += got;
    if (!staged.Write(buffer.data(), got)) {
      error = WriteFailure(job, staged);
      return false;
    }
  }
  if (has_length && received != length) {
    error = "the connection closed after " + std::to_string(received) + " of " +
            std::to_string(length) + " bytes";
    return false;
  }
  return true;
}

// One GET into a staged file; the error text, empty on success.
void RunTransfer(const Job& job, InternetHandles& handles, WatchState& state, std::string& error) {
  auto url = net::SplitHttpUrl(job.url);
  if (!url) {
    error = "the address is not an http or https URL [" + job.url + "]";
    return;
  }
  StagedFile staged(job.destination);
  if (!staged.ok()) {
    error = WriteFailure(job, staged);
    return;
  }
  HINTERNET request = SendRequest(job, *url, handles, error);
  if (!request) return;
  ++state.progress;
  if (!AnsweredOk(job, request, error) || !ReceiveBody(job, request, staged, state, error)) return;
  if (state.abandoned) return;
  if (!staged.Commit()) {
    error = WriteFailure(job, staged);
  }
}

class WinInetHttpDownloader : public HttpDownloader {
 public:
  explicit WinInetHttpDownloader(TransferLimits limits) : limits_(std::move(limits)) {}

  void SetAccessMode(int32_t mode) override { mode_ = mode; }
  void SetProxyName(const std::string& name) override { proxy_name_ = name; }
  void SetProxyPort(int16_t port) override { proxy_port_ = port; }
  void SetUserName(const std::string& user) override { user_ = user; }
  void SetPassword(const std::string& password) override { password_ = password; }
  void SetSourceUrl(const std::string& url) override { url_ = url; }
  void SetDestinationFile(const std::string& path) override { destination_ = path; }
  void OnError(std::function<void(const std::string&)> handler) override {
    on_error_ = std::move(handler);
  }

  void Download() override {
    Job job;
    job.through_proxy = mode_ == kThroughProxy;
    job.proxy = proxy_name_.empty() ? std::string() : proxy_name_ + ":" + std::to_string(proxy_port_);
    job.user = user_;
    job.password = password_;
    job.url = url_;
    job.destination = destination_;
    job.limits = limits_;
    auto handles = std::make_shared<InternetHandles>();
    auto error = std::make_shared<std::string>();
    WatchEnd end = RunWatched(
        [job, handles, error](WatchState& state) {
          RunTransfer(job, *handles, state, *error);
          handles->CloseAll();
        },
        [handles] { handles->CloseAll(); }, limits_.idle_ms);
    std::string failure = end == WatchEnd::Finished ? *error : WatchEndText(end);
    if (failure.empty()) return;
    ::DeleteFileA(destination_.c_str());
    if (on_error_) on_error_(failure);
  }

 private:
  TransferLimits limits_;
  int32_t mode_ = kDirect;
  std::string proxy_name_;
  int16_t proxy_port_ = 0;
  std::string user_, password_, url_, destination_;
  std::function<void(const std::string&)> on_error_;
};

}  // namespace

std::unique_ptr<HttpDownloader> NewWinInetHttpDownloader(TransferLimits limits) {
  return std::make_unique<WinInetHttpDownloader>(std::move(limits));
}

}  // namespace vorms
