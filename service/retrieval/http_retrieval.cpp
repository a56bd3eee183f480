#include "http_retrieval.h"

#include <windows.h>

#include "errors.h"
#include "files.h"
#include "ftp_retrieval.h"
#include "handles.h"
#include "logs.h"
#include "memory_values.h"
#include "page_analysis.h"
#include "program.h"
#include "retrieval_components.h"
#include "server_folders.h"
#include "settings.h"

namespace vorms {
namespace {

void Log(const std::string& line) { WriteLog(line, 1); }

// A zip archive begins with a local file header. A server that answers 200 with an
// error page instead of the package must not have that page unpacked as one.
bool StartsLikeZip(const std::string& path) {
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  char head[4] = {};
  DWORD got = 0;
  return ::ReadFile(file.get(), head, sizeof head, &got, nullptr) && got == sizeof head &&
         head[0] == 'P' && head[1] == 'K' && head[2] == 3 && head[3] == 4;
}

bool FetchPackage(const std::string& url, const std::string& path) {
  if (!DownloadFile(url, path)) return false;
  if (StartsLikeZip(path)) return true;
  Log("HTTP_GET_FILE: " + url + " sent no zip package");
  ::DeleteFileA(path.c_str());
  return false;
}

bool RunHttpGetFile() {
  Log("HTTP_GET_FILE: Start Function...");
  const std::string page_url = http::DefaultFolder();
  Log("HTTP_GET_FILE: Try to download " + page_url);
  if (!DownloadFile(page_url, ProgramFile("TSCReadme.htm"))) {
    Log("HTTP_GET_FILE: unable to get file " + page_url);
    return false;
  }
  Log("HTTP_GET_FILE: Success downloaded file " + page_url);
  if (!AnalyzeDownloadedFile()) return false;
  const std::string package_url = http::DefaultFileToGet();
  const std::string package = ProgramFile("tsc.zip");
  if (!FetchPackage(package_url, package)) {
    Log("HTTP_GET_FILE: unable to get file " + package_url);
    return false;
  }
  memory::SetNewFileDownloaded(package);
  // The unpacking step reuses an unpacked tool it finds: clear it, as the FTP road
  // does, so that the package just fetched is the one installed.
  PrepareTempFolder();
  return true;
}

}  // namespace

// The result is still false wherever an error can arise.
bool HTTP_GET_FILE() { return ReturnOnError(false, RunHttpGetFile, LogError("HTTP_GET_FILE: error number ")); }

bool DownloadFile(const std::string& url, const std::string& path) {
  Log("DownloadFile: Load engine...");
  HttpDownloader& engine = InternetFile1();
  if (ftp::UseProxy() == 1) {
    Log("DownloadFile: Use Proxy...");
    engine.SetAccessMode(HttpDownloader::kThroughProxy);
    engine.SetProxyName(http::ProxyName());
    engine.SetProxyPort(http::ProxyPort());
    engine.SetUserName(ftp::Username());
    engine.SetPassword(ftp::Password());
  } else {
    Log("DownloadFile: Use Direct Mode...");
    engine.SetAccessMode(HttpDownloader::kDirect);
  }
  memory::SetDownloadFailed(0);
  engine.SetSourceUrl(url);
  Log("DownloadFile: [=> GET : [" + url + "]");
  Log("DownloadFile: <=] SAVE : [" + path + "]");
  verifRoot(path);
  if (PathExists(path) && !::DeleteFileA(path.c_str())) RaiseFileError(::GetLastError());
  engine.SetDestinationFile(path);
  Log("DownloadFile: Start to download...");
  engine.Download();
  const bool result = memory::GetDownloadFailed() == 0;
  Log("DownloadFile: End download...");
  return result;
}

void OnDownloadError(const std::string& text) {
  Log("Error Downloading !! : " + text);
  memory::SetDownloadFailed(1);
}

}  // namespace vorms
