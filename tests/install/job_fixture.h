// The installed service doing its whole job against the local servers: a program folder
// with a blank in its path, the FTP wrapper's folder (VORMS_FTP_*), the HTTP one
// (VORMS_HTTP_*) and the mail fixture's SMTP servers (VORMS_SMTP_STATE). Ostrilen is
// registered for the service and removed again with it.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "smtp_test_servers.h"
#include "test_support.h"

namespace vorms::test {

std::string Env(const char* name);

// A folder of a local server as this Wine program sees it (VORMS_FTP_ROOT, VORMS_HTTP_ROOT).
std::string ServerFolder(const char* root_variable);

// The local HTTP server's URL of a path ("/faults/tsc.asp"), and the file it serves there
// (its folders made).
std::string HttpUrl(const std::string& path);
std::string HttpServedFile(const std::string& path);

// A file's last-written time hours from now (negative: in the past).
void SetWrittenHoursFromNow(const std::string& path, int hours);

// The old and the new stand-in tool of the job tests.
struct Release {
  const char* version;
  const char* pattern;
  const char* version_text;  // as the service stores it
  std::size_t ptn_size;
  const char* behaviour = "";  // "hang" or "flood": a copy that does so on "/VL"
};

// The release's stand-in tool as the build made it.
std::string ToolOf(const Release& release);
inline constexpr Release kOldRelease{"1.0.0.1067", "617", "1001067", 40000};
inline constexpr Release kNewRelease{"1.0.0.1100", "620", "1001100", 60000};
// A release page that announces the new release's pattern.
inline constexpr char kNewReleasePage[] = "<p>Damage Cleanup Template (DCT)</SPAN> 620<BR>\r\n";

class ServiceJob : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

 public:
  std::string File(const std::string& name) const { return folder_.File(name); }
  std::string Admin(const std::string& name) const { return File("PCCSRV\\ADMIN\\" + name); }
  std::string Ini() const { return File("plomenk.ini"); }
  std::string Log() const;
  std::string Events() const;
  std::string Remote(const std::string& name) const { return remote_ + "\\" + name; }

  // Logs and debug lines on, FTP retrieval from the local folder, mail to the normal server.
  void Configure() const { Configure(Ini()); }
  void Configure(const std::string& ini) const;
  // A package of the stand-in tool and a pattern file of the release's size, with any
  // extra files, zipped to `zip` and last written hours_from_now.
  void Pack(const Release& release, const std::string& zip, int hours_from_now,
            const std::vector<std::string>& extra = {}) const;
  // tsc_<name>.zip on the FTP folder.
  void Offer(const std::string& name, const Release& release, int hours_from_now,
             const std::vector<std::string>& extra = {}) const;
  // The release in ADMIN and on record in `ini`, as after its installation; nothing fetched yet.
  void InstallInAdmin(const Release& release) const { InstallInAdmin(release, Ini()); }
  void InstallInAdmin(const Release& release, const std::string& ini) const;

  // The service and the test both rewrite the whole settings file with each profile
  // call, so a write of one can undo a write of the other made at the same moment. A
  // change is therefore made on a copy, put in place whole, and waited for: the reload
  // it asks for has been served, and the service writes nothing until the next request.
  void ChangeSettings(const std::function<void(const std::string& ini)>& change) const;
  // The same from an empty file.
  void ReplaceSettings(const std::function<void(const std::string& ini)>& fill) const;

  // Asks for a check and waits for the line that ends it.
  void CheckNowUntil(const std::string& line, std::size_t times) const;
  // Asks for a check and waits until the tick after it has run: the reload request
  // written once the check has begun is served only by a later tick. A request that the
  // service's own writes undid is written again.
  void CheckNowAndWait() const;

  // Whether ADMIN holds exactly the release: the tool's bytes and the pattern's size.
  bool AdminHolds(const Release& release) const;

  TempFolder folder_{"vorms service job"};
  const std::string to_ = UniqueRecipient("service_job");
  std::string remote_;
};

}  // namespace vorms::test
