#include "smtp_notify.h"

#include <windows.h>

#include "errors.h"
#include "logs.h"
#include "package_store.h"
#include "program.h"
#include "settings.h"
#include "smtp_client.h"
#include "stop_request.h"
#include "zip_files.h"

namespace vorms {
namespace {

constexpr char kZipName[] = "tsc_smtp.zip";

std::string Subject() {
  return "[PLOMENK." + tsc::Version() + ".P." + tsc::Pattern() + "]: New TSC Updated on OfficeScan Server";
}

// The attachment's path when packing worked, empty text otherwise. The archive is made
// anew: one left by an earlier mail must not travel with this one.
std::string PackedToolFiles(const NotifySources& sources) {
  const std::string zip = ProgramFile(kZipName);
  ::DeleteFileA(zip.c_str());
  if (!sources.pack) return {};
  return sources.pack(UnpackFolder(), {"tsc.exe", "tsc.ptn"}, zip) ? zip : std::string();
}

bool SendNotification(const NotifySources& sources) {
  if (smtp::Enable() == 0) {
    WriteLog("SMTP_Notify: SMTP option is disabled", 1);
    return false;
  }
  if (smtp::SERVER().empty()) {
    WriteLog("SMTP_Notify: SMTP server is null string", 1);
    return false;
  }
  mail::Mail message;
  message.attachment = PackedToolFiles(sources);
  message.from = smtp::From();
  message.to = smtp::To();
  message.subject = Subject();
  if (!sources.listing) throw RuntimeError(err::kCannotCreateObject);
  message.text = sources.listing();

  mail::SmtpServer server;
  server.host = smtp::SERVER();
  server.stop = StopEvent();  // never wait out a slow server when the service stops
  server.status = [](const std::string& text) { WriteLog("poSendMail_Status: " + text, 2); };
  const mail::SendOutcome outcome = mail::SendMail(server, message);
  if (outcome.sent()) {
    WriteLog("SMTP_Notify: Success connecting and sending eMail Notification", 1);
    return true;
  }
  if (outcome.reached == mail::Stage::Connect) {
    server.status(outcome.explanation);
    WriteLog("SMTP_Notify: error connecting !", 1);
    return false;
  }
  // Connected (or the message could not be made): the mail did not go out.
  WriteLog("Error sending eMail" + outcome.explanation, 1);
  return false;
}

}  // namespace

bool PackFiles(const std::string& folder, const std::vector<std::string>& names, const std::string& zip_path) {
  return zip::ZipFiles(folder, names, zip_path);
}

bool SMTP_Notify(const NotifySources& sources) {
  return ReturnOnError(false, [&] { return SendNotification(sources); }, LogError("SMTP_Notify: Error "));
}

}  // namespace vorms
