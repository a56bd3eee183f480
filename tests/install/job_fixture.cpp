#include "job_fixture.h"

#include <cstdlib>
#include <iostream>

#include "com_client.h"
#include "handles.h"
#include "install_fixture.h"
#include "installed_service.h"
#include "settings.h"
#include "smtp_test_servers.h"
#include "zip_files.h"

namespace vorms::test {
namespace {

constexpr DWORD kCheckMs = 150000;

}  // namespace

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string ServerFolder(const char* root_variable) {
  std::string root = "Z:" + Env(root_variable);
  for (char& c : root) c = c == '/' ? '\\' : c;
  return root;
}

void SetWrittenHoursFromNow(const std::string& path, int hours) {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER t{};
  t.LowPart = now.dwLowDateTime;
  t.HighPart = now.dwHighDateTime;
  t.QuadPart += static_cast<long long>(hours) * 3600LL * 10000000LL;
  FILETIME written{t.LowPart, t.HighPart};
  FileHandle file(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  ASSERT_TRUE(::SetFileTime(file.get(), nullptr, nullptr, &written));
}

void ServiceJob::SetUp() {
  ASSERT_FALSE(Env("VORMS_FTP_PORT").empty()) << "run through with_servers.sh (ctest does)";
  ASSERT_FALSE(Env("VORMS_SMTP_STATE").empty()) << "needs the smtp_servers fixture (ctest does)";
  RemoveVorms();
  ASSERT_EQ(Regsvr32("/s", BuildFolder() + "\\Ostrilen.dll"), 0u);
  const std::string products = ServerFolder("VORMS_FTP_ROOT") + "\\products";
  remote_ = products + "\\tsc";
  RemoveTree(products);
  ::CreateDirectoryA(products.c_str(), nullptr);
  ::CreateDirectoryA(remote_.c_str(), nullptr);
}

void ServiceJob::TearDown() {
  RemoveVorms();
  Regsvr32("/s /u", BuildFolder() + "\\Ostrilen.dll");
  if (HasFailure()) {
    std::cout << "--- vorms.log\n" << Log() << "--- events.log\n" << Events() << "--- VORMS_DEBUG.log\n"
              << ReadFile(File("VORMS_DEBUG.log"));
  }
}

std::string ServiceJob::Log() const { return ReadFile(File("vorms.log")); }
std::string ServiceJob::Events() const { return ReadFile(File("events.log")); }

void ServiceJob::Configure() const {
  WriteSetting("LOGS", "Enable", "1", Ini());
  WriteSetting("Service", "DebugMode", "1", Ini());
  WriteSetting("HTTP", "UseThis", "0", Ini());
  WriteSetting("FTP", "UseThis", "1", Ini());
  WriteSetting("FTP", "UsePassive", "1", Ini());
  WriteSetting("FTP", "UseProxy", "0", Ini());
  WriteSetting("FTP", "Username", "", Ini());
  WriteSetting("FTP", "DefaultFolder", "ftp://127.0.0.1:" + Env("VORMS_FTP_PORT") + "/products/tsc", Ini());
  WriteSetting("Service", "StartActions", "0", Ini());
  WriteSetting("Service", "ReloadParameters", "0", Ini());
  WriteSetting("OFFICESCAN", "ProgramDirectory", File("PCCSRV"), Ini());
  WriteSetting("SMTP", "Enable", "1", Ini());
  WriteSetting("SMTP", "SERVER", SmtpAddress("normal"), Ini());
  WriteSetting("SMTP", "From", "vorms@server.test", Ini());
  WriteSetting("SMTP", "To", to_, Ini());
}

void ServiceJob::Pack(const Release& release, const std::string& zip, int hours_from_now,
                      const std::vector<std::string>& extra) const {
  static int packs = 0;
  const std::string staging = File("pack_" + std::to_string(++packs));
  ::CreateDirectoryA(staging.c_str(), nullptr);
  CopyFileTo(StandIn(release.version, release.pattern), staging + "\\tsc.exe");
  WriteFile(staging + "\\tsc.ptn", std::string(release.ptn_size, static_cast<char>('a' + release.ptn_size % 26)));
  std::vector<std::string> names = {"tsc.exe", "tsc.ptn"};
  for (const std::string& name : extra) {
    WriteFile(staging + "\\" + name, name);
    names.push_back(name);
  }
  ASSERT_TRUE(zip::ZipFiles(staging, names, zip));
  SetWrittenHoursFromNow(zip, hours_from_now);
}

void ServiceJob::Offer(const std::string& name, const Release& release, int hours_from_now,
                       const std::vector<std::string>& extra) const {
  Pack(release, Remote("tsc_" + name + ".zip"), hours_from_now, extra);
}

void ServiceJob::InstallInAdmin(const Release& release) const {
  ::CreateDirectoryA(File("PCCSRV").c_str(), nullptr);
  ::CreateDirectoryA(File("PCCSRV\\ADMIN").c_str(), nullptr);
  for (const char* name : {"tsc.exe", "tsc.ptn"}) ::SetFileAttributesA(Admin(name).c_str(), FILE_ATTRIBUTE_NORMAL);
  CopyFileTo(StandIn(release.version, release.pattern), Admin("tsc.exe"));
  WriteFile(Admin("tsc.ptn"), std::string(release.ptn_size, 'o'));
  WriteSetting("TSC", "Version", release.version_text, Ini());
  WriteSetting("TSC", "Pattern", release.pattern, Ini());
  WriteSetting("TSC", "LatestDate", "0", Ini());
}

void ServiceJob::CheckNowUntil(const std::string& line, std::size_t times) const {
  WriteSetting("Service", "StartActions", "1", Ini());
  ASSERT_TRUE(WaitFor([&] { return Count(Log(), line) >= times; }, kCheckMs))
      << "the check did not log \"" << line << "\" " << times << " time(s)";
}

void ServiceJob::CheckNowAndWait() const {
  ASSERT_TRUE(WriteSetting("Service", "StartActions", "1", Ini()));
  ASSERT_TRUE(WaitFor([&] { return ReadSetting("Service", "StartActions", Ini()) == "0"; }, 10000))
      << "the service did not take the check-now request";
  ASSERT_TRUE(WriteSetting("Service", "ReloadParameters", "1", Ini()));
  ASSERT_TRUE(WaitFor([&] { return ReadSetting("Service", "ReloadParameters", Ini()) == "0"; }, kCheckMs))
      << "the check did not end";
}

bool ServiceJob::AdminHolds(const Release& release) const {
  return ReadFile(Admin("tsc.exe")) == ReadFile(StandIn(release.version, release.pattern)) &&
         ReadFile(Admin("tsc.ptn")).size() == release.ptn_size;
}

}  // namespace vorms::test
