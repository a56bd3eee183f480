#include "retrieval_components.h"

#include "http_retrieval.h"

namespace vorms {
namespace {

constexpr DWORD kTransferLimitMs = 60000;

std::unique_ptr<FtpClient> g_ftp;
std::unique_ptr<HttpDownloader> g_http;

}  // namespace

TransferLimits ServiceTransferLimits() {
  TransferLimits limits;
  limits.connect_ms = kTransferLimitMs;
  limits.idle_ms = kTransferLimitMs;
  return limits;
}

FtpClient& FTP1() {
  if (!g_ftp) g_ftp = NewWinInetFtpClient(ServiceTransferLimits());
  return *g_ftp;
}

HttpDownloader& InternetFile1() {
  if (!g_http) {
    g_http = NewWinInetHttpDownloader(ServiceTransferLimits());
    g_http->OnError(OnDownloadError);
  }
  return *g_http;
}

void UseTransferComponentsForTesting(std::unique_ptr<FtpClient> ftp,
                                     std::unique_ptr<HttpDownloader> http) {
  g_ftp = std::move(ftp);
  g_http = std::move(http);
  if (g_http) g_http->OnError(OnDownloadError);
}

}  // namespace vorms
