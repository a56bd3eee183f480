#include "ftp_retrieval.h"

#include <windows.h>

#include "conversions.h"
#include "errors.h"
#include "files.h"
#include "date_text.h"
#include "logs.h"
#include "memory_values.h"
#include "package_store.h"
#include "program.h"
#include "retrieval_components.h"
#include "server_folders.h"
#include "settings.h"

namespace vorms {
namespace {

constexpr char kListPattern[] = "tsc*.zip";

void Log(const std::string& line) { WriteLog(line, 1); }
void Debug(const std::string& line) { WriteLog(line, 2); }

std::string ErrorText(const RuntimeError& e) {
  return std::to_string(e.number()) + " " + e.description();
}

void LogOn(FtpClient& ftp) {
  const std::string user = ftp::Username();
  if (!user.empty()) {
    Log("Authentification is enable use" + user + " username");
    ftp.SetUsername(user);
    ftp.SetPassword(ftp::Password());
  } else {
    // A stored password without a user name is not used.
    Log("Use anonymous connexion for this operation");
    ftp.SetUsername("anonymous");
    ftp.SetPassword(kAnonymousPassword);
  }
}

bool FetchNewest(FtpClient& ftp, bool& result) {
  const std::string folder = memory::GetFtpFolder();
  Log("Try to change remote dir to " + folder);
  if (ftp.ChangeRemoteDir(folder) == 0) {
    Log("Unable to switch dir " + folder);
    return false;
  }
  Log("Change Dir to " + folder);
  ftp.SetListPattern(kListPattern);
  Log("List files...waiting..");
  const int16_t count = ToInt16(std::to_string(ftp.NumFilesAndDirs()));
  if (count == 0) {
    Log("Unable to List files in " + folder + " folder");
    Log("Please verify by enable/disable Passive Mode");
    ftp.Disconnect();
    return false;
  }
  std::vector<std::string> entries(static_cast<std::size_t>(count));
  for (int16_t i = 0; i < count; ++i) {
    const std::string name = ftp.FileName(i);
    const std::string when = DateTimeText(ftp.LastModifiedTime(i));
    const std::string numeric = ChangeDateToNumeric(when);
    Log("View " + name + " " + when + "=>" + numeric);
    entries[static_cast<std::size_t>(i)] = numeric + ":" + name;
  }
  std::string name, date;
  if (MustDownload(entries, name, date)) {
    Log("Get " + name + " " + name + " date is newer (" + date + ")");
    const std::string path = ProgramFile(name);
    if (ftp.GetFile(name, path) != 0) {
      Log("New TSC Program Downloaded !");
      Log("Disconnecting");
      ftp.Disconnect();
      result = true;
      Log("Put in string memory NewFileDownloaded=" + path);
      memory::SetNewFileDownloaded(path);
      // Stored once the package is judged: a failed installation fetches it again.
      memory::SetFetchedDate(date);
      PrepareTempFolder();
    }
  } else {
    Log("No New TSC files... End Last=(" + name + "/" + date + ")");
    memory::SetNewFileDownloaded(ProgramFile(name));
  }
  return result;
}

bool RunStartFTP(bool& result) {
  Log("StartFTP: Starting Operations...");
  FtpClient& ftp = FTP1();
  const int16_t passive = ftp::UsePassive();
  ftp.SetPassive(passive);
  Log("OfficeScan server stored on " + memory::GetOfficeScanRoot());
  Log("PASSIVE Mode = " + std::to_string(passive));
  Log("Target server = " + memory::GetFtpServer());
  ftp.SetHostname(memory::GetFtpServer());
  ftp.SetProxy({});
  if (ftp::UseProxy() == 1) {
    Debug("FTP Proxy is enabled");
    ftp.SetProxy("ftp=ftp://" + ftp::Proxy() + ":" + std::to_string(ftp::ProxyPort()));
  }
  LogOn(ftp);
  Log("Open connexion");
  if (ftp.Connect() != 1) {
    Log("Failed to connect, please Check if you have enabled Passive Mode");
    return false;
  }
  Log("Connected to " + ftp.Hostname());
  return FetchNewest(ftp, result);
}

}  // namespace

bool StartFTP() {
  bool result = false;
  try {
    return RunStartFTP(result);
  } catch (...) {
    const RuntimeError e = detail::CurrentError();
    ResumeNext([&] { Log("STARTFTP: error number " + ErrorText(e)); });
    if (e.number() != err::kSubscriptOutOfRange) return false;
    ResumeNext([] { Log("STARTFTP: Probably incompatibily system... try on Windows 2000"); });
    return result;
  }
}

bool MustDownload(const std::vector<std::string>& entries, std::string& name, std::string& date) {
  bool result = false;
  try {
    Debug("MustDownload: NewDate Memory string store [" +
          std::to_string(static_cast<long long>(entries.size()) - 1) + "] values");
    std::string best_date;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const std::size_t colon = entries[i].find(':');
      if (colon == std::string::npos) throw RuntimeError(err::kSubscriptOutOfRange);
      const std::string entry_date = entries[i].substr(0, colon);
      const std::string entry_file = entries[i].substr(colon + 1);
      Debug("MustDownload: sdate value=[" + entry_date + "]");
      Debug("MustDownload: sFile value=[" + entry_file + "]");
      if (i == 0 || CompareText(entry_date, best_date) >= 0) {
        best_date = entry_date;
        name = entry_file;
      }
    }
    date = best_date;
    const std::string stored = GetLatestDate();
    Log("MustDownload: VORMS store latest pattern stored [" + stored + "] New Date on server is [" +
        best_date + "]");
    if (CompareText(stored, best_date) < 0) {
      Log("MustDownload: No New date stored on server = FALSE for this function");
      result = true;
    }
    return result;
  } catch (...) {
    const RuntimeError e = detail::CurrentError();
    ResumeNext([&] {
      Log("MustDownload: Error " + ErrorText(e) +
          (e.number() == err::kTypeMismatch ? " continue processing" : ""));
    });
    return result;
  }
}

std::string ChangeDateToNumeric(const std::string& date_time) {
  std::string built;
  ResumeNext([&] { built = NumericDate(ParseDateTimeText(date_time)); },
             [&](const RuntimeError& e) {
               Debug("ChangeDateToNumeric: Error " + ErrorText(e) + "//ChangeDateToNumeric=[" +
                     built + "]");
             });
  return built;
}

void PrepareTempFolder() {
  const std::string temp = UnpackFolder();
  if (!PathExists(temp)) {
    ResumeNext([&] { verifRoot(temp); });
    return;
  }
  for (const char* name : {"tsc.exe", "tsc.ptn"}) {
    ResumeNext([&] {
      const std::string path = temp + "\\" + name;
      if (PathExists(path) && !::DeleteFileA(path.c_str())) RaiseFileError(::GetLastError());
    });
  }
}

std::string GetLatestDate() { return tsc::LatestDate(); }

void SetLatestDate(const std::string& date) { tsc::SetLatestDate(date); }

}  // namespace vorms
