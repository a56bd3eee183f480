// The service's two transfer components, one instance each for the life of the process,
// every operation bounded by the time limits and ended by the service's stop request.
#pragma once

#include <memory>

#include "ftp_client.h"
#include "http_download.h"

namespace vorms {

FtpClient& FTP1();
HttpDownloader& InternetFile1();  // its error event goes to OnDownloadError

// 60 s to connect, 60 s without data (a stop request ends any operation).
TransferLimits ServiceTransferLimits();

// Tests hand in components with their own limits; null goes back to the real ones.
void UseTransferComponentsForTesting(std::unique_ptr<FtpClient> ftp,
                                     std::unique_ptr<HttpDownloader> http);

}  // namespace vorms
