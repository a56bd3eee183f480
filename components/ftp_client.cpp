#include "ftp_client.h"

#include <optional>
#include <vector>

#include "errors.h"
#include "net_text.h"
#include "staged_file.h"
#include "system_time.h"

namespace vorms {
namespace {

constexpr char kAgent[] = "Vormsline";
constexpr int32_t kMostEntries = 32767;  // the count is read as a 16-bit number
constexpr DWORD kReadChunk = 64 * 1024;

struct Entry {
  std::string name;
  std::optional<DateTime> modified;
};

std::optional<DateTime> LocalFromFileTime(const FILETIME& ft) {
  if (ft.dwLowDateTime == 0 && ft.dwHighDateTime == 0) return std::nullopt;
  SYSTEMTIME st;
  if (!::FileTimeToSystemTime(&ft, &st)) return std::nullopt;
  return FromSystemTime(st);
}

std::string LastResponse() {
  DWORD error = 0;
  char buffer[1024];
  DWORD size = sizeof buffer;
  if (!::InternetGetLastResponseInfoA(&error, buffer, &size)) return {};
  return std::string(buffer, size < sizeof buffer ? size : sizeof buffer);
}

// The last reply line of a response text (a multi-line answer ends with the final one).
std::string FinalReplyLine(const std::string& response) {
  std::string text = response;
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  std::size_t nl = text.find_last_of('\n');
  return nl == std::string::npos ? text : text.substr(nl + 1);
}

// The exact time by MDTM, where the server has the command.
std::optional<DateTime> MdtmTime(HINTERNET connection, const std::string& name) {
  if (name.find_first_of("\r\n") != std::string::npos) return std::nullopt;
  const std::string command = "MDTM " + name;
  if (!::FtpCommandA(connection, FALSE, FTP_TRANSFER_TYPE_BINARY, command.c_str(), 0, nullptr)) {
    return std::nullopt;
  }
  auto utc = net::ParseMdtmReply(FinalReplyLine(LastResponse()));
  if (!utc) return std::nullopt;
  return LocalFromUtc(*utc);
}

class WinInetFtpClient : public FtpClient {
 public:
  explicit WinInetFtpClient(TransferLimits limits) : limits_(std::move(limits)) {}
  ~WinInetFtpClient() override { Disconnect(); }

  void SetPassive(int32_t passive) override { passive_ = passive == 1; }
  void SetHostname(const std::string& host) override { host_ = host; }
  std::string Hostname() const override { return host_; }
  void SetProxy(const std::string& proxy) override { proxy_ = proxy; }
  void SetUsername(const std::string& user) override { user_ = user; }
  void SetPassword(const std::string& password) override { password_ = password; }
  void SetListPattern(const std::string& pattern) override { pattern_ = pattern; }

  int32_t Connect() override {
    Disconnect();
    auto target = net::SplitHostPort(host_);
    if (!target) return 0;
    std::string host = target->host;
    INTERNET_PORT port = target->port ? target->port : INTERNET_DEFAULT_FTP_PORT;
    std::string user = user_;
    if (!proxy_.empty()) {
      // The FTP gateway convention: log on at the gateway as user@host[:port].
      auto gateway = net::ParseFtpProxy(proxy_);
      if (!gateway) return 0;
      user = user_ + "@" + host;
      if (target->port) user += ':' + std::to_string(target->port);
      host = gateway->host;
      port = gateway->port ? gateway->port : INTERNET_DEFAULT_FTP_PORT;
    }
    auto handles = std::make_shared<InternetHandles>();
    auto connection = std::make_shared<HINTERNET>(nullptr);
    const DWORD flags = passive_ ? INTERNET_FLAG_PASSIVE : 0;
    const TransferLimits limits = limits_;
    std::string password = password_;
    WatchEnd end = RunWatched(
        [=](WatchState&) {
          HINTERNET internet = handles->Keep(
              ::InternetOpenA(kAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
          if (!internet) return;
          SetTimeouts(internet, limits.connect_ms, limits.idle_ms);
          *connection = handles->Keep(::InternetConnectA(internet, host.c_str(), port,
                                                         user.c_str(), password.c_str(),
                                                         INTERNET_SERVICE_FTP, flags, 0));
        },
        [handles] { handles->CloseAll(); }, limits_.connect_ms);
    if (end != WatchEnd::Finished || !*connection) return 0;
    handles_ = handles;
    connection_ = *connection;
    return 1;
  }

  int32_t ChangeRemoteDir(const std::string& folder) override {
    if (!connection_) return 0;
    if (folder.empty()) return 1;  // the folder the log-on gave
    auto changed = std::make_shared<bool>(false);
    HINTERNET connection = connection_;
    bool finished = Watched([changed, connection, folder](WatchState&) {
      *changed = ::FtpSetCurrentDirectoryA(connection, folder.c_str()) != FALSE;
    });
    return finished && *changed ? 1 : 0;
  }

  int32_t NumFilesAndDirs() override {
    entries_.clear();
    if (!connection_) return 0;
    auto found = std::make_shared<std::vector<Entry>>();
    HINTERNET connection = connection_;
    auto handles = handles_;
    std::string pattern = pattern_;
    bool finished = Watched([=](WatchState& state) {
      WIN32_FIND_DATAA data;
      HINTERNET find = handles->Keep(
          ::FtpFindFirstFileA(connection, nullptr, &data, INTERNET_FLAG_RELOAD, 0));
      if (!find) return;
      do {
        ++state.progress;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (!net::MatchesListPattern(data.cFileName, pattern)) continue;
        if (!net::IsPlainFileName(data.cFileName)) continue;  // never a path from a server
        found->push_back({data.cFileName, LocalFromFileTime(data.ftLastWriteTime)});
      } while (found->size() < kMostEntries && ::InternetFindNextFileA(find, &data));
      handles->Close(find);
      for (Entry& entry : *found) {
        if (state.abandoned) return;
        ++state.progress;
        if (auto exact = MdtmTime(connection, entry.name)) entry.modified = exact;
      }
    });
    if (!finished) return 0;
    entries_ = std::move(*found);
    return static_cast<int32_t>(entries_.size());
  }

  std::string FileName(int32_t index) override { return At(index).name; }

  DateTime LastModifiedTime(int32_t index) override {
    const Entry& entry = At(index);
    if (!entry.modified) throw RuntimeError(err::kTypeMismatch);
    return *entry.modified;
  }

  int32_t GetFile(const std::string& remote_name, const std::string& local_path) override {
    if (!connection_) {
      ::DeleteFileA(local_path.c_str());
      return 0;
    }
    auto done = std::make_shared<bool>(false);
    HINTERNET connection = connection_;
    auto handles = handles_;
    bool finished = Watched([=](WatchState& state) {
      StagedFile staged(local_path);
      if (!staged.ok()) return;
      HINTERNET file = handles->Keep(::FtpOpenFileA(
          connection, remote_name.c_str(), GENERIC_READ,
          FTP_TRANSFER_TYPE_BINARY | INTERNET_FLAG_RELOAD, 0));
      if (!file) return;
      std::vector<char> buffer(kReadChunk);
      for (;;) {
        DWORD got = 0;
        if (!::InternetReadFile(file, buffer.data(), kReadChunk, &got)) {
          handles->Close(file);
          return;
        }
        if (got == 0) break;
        state.progress += got;
        if (!staged.Write(buffer.data(), got)) {
          handles->Close(file);
          return;
        }
      }
      handles->Close(file);  // reads the server's closing reply
      const std::string reply = FinalReplyLine(LastResponse());
      const bool refused = !reply.empty() && (reply[0] == '4' || reply[0] == '5');
      if (refused || state.abandoned) return;
      *done = staged.Commit();
    });
    if (!finished || !*done) {
      ::DeleteFileA(local_path.c_str());
      return 0;
    }
    return 1;
  }

  void Disconnect() override {
    if (handles_) handles_->CloseAll();
    handles_.reset();
    connection_ = nullptr;
  }

 private:
  const Entry& At(int32_t index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= entries_.size()) {
      throw RuntimeError(err::kSubscriptOutOfRange);
    }
    return entries_[static_cast<std::size_t>(index)];
  }

  // Runs one operation of the open connection; after a time-out or a stop the
  // connection is closed and later operations fail.
  bool Watched(std::function<void(WatchState&)> work) {
    auto handles = handles_;
    WatchEnd end = RunWatched(std::move(work), [handles] { handles->CloseAll(); },
                              limits_.idle_ms);
    if (end == WatchEnd::Finished) return true;
    Disconnect();
    return false;
  }

  TransferLimits limits_;
  bool passive_ = false;
  std::string host_, proxy_, user_, password_, pattern_;
  std::shared_ptr<InternetHandles> handles_;
  HINTERNET connection_ = nullptr;
  std::vector<Entry> entries_;
};

}  // namespace

std::unique_ptr<FtpClient> NewWinInetFtpClient(TransferLimits limits) {
  return std::make_unique<WinInetFtpClient>(std::move(limits));
}

}  // namespace vorms
