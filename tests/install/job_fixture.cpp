#include "job_fixture.h"

#include <cstdlib>
#include <iostream>

#include "com_client.h"
#include "files.h"
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

std::string HttpUrl(const std::string& path) { return "http://127.0.0.1:" + Env("VORMS_HTTP_PORT") + path; }

std::string HttpServedFile(const std::string& path) {
  std::string file = ServerFolder("VORMS_HTTP_ROOT");
  for (char c : path) {
    if (c == '/') ::CreateDirectoryA(file.c_str(), nullptr);
    file += c == '/' ? '\\' : c;
  }
  return file;
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

void ServiceJob::Configure(const std::string& ini) const {
  WriteSetting("LOGS", "Enable", "1", ini);
  WriteSetting("Service", "DebugMode", "1", ini);
  WriteSetting("HTTP", "UseThis", "0", ini);
  WriteSetting("FTP", "UseThis", "1", ini);
  WriteSetting("FTP", "UsePassive", "1", ini);
  WriteSetting("FTP", "UseProxy", "0", ini);
  WriteSetting("FTP", "Username", "", ini);
  WriteSetting("FTP", "DefaultFolder", "ftp://127.0.0.1:" + Env("VORMS_FTP_PORT") + "/products/tsc", ini);
  WriteSetting("Service", "StartActions", "0", ini);
  WriteSetting("Service", "ReloadParameters", "0", ini);
  WriteSetting("OFFICESCAN", "ProgramDirectory", File("PCCSRV"), ini);
  WriteSetting("SMTP", "Enable", "1", ini);
  WriteSetting("SMTP", "SERVER", SmtpAddress("normal"), ini);
  WriteSetting("SMTP", "From", "vorms@server.test", ini);
  WriteSetting("SMTP", "To", to_, ini);
}

std::string ToolOf(const Release& release) {
  const std::string behaviour = release.behaviour;
  return StandIn(release.version, behaviour.empty() ? release.pattern : std::string(release.pattern) + "_" + behaviour);
}

void ServiceJob::Pack(const Release& release, const std::string& zip, int hours_from_now,
                      const std::vector<std::string>& extra) const {
  static int packs = 0;
  const std::string staging = File("pack_" + std::to_string(++packs));
  ::CreateDirectoryA(staging.c_str(), nullptr);
  CopyFileTo(ToolOf(release), staging + "\\tsc.exe");
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

void ServiceJob::InstallInAdmin(const Release& release, const std::string& ini) const {
  ::CreateDirectoryA(File("PCCSRV").c_str(), nullptr);
  ::CreateDirectoryA(File("PCCSRV\\ADMIN").c_str(), nullptr);
  for (const char* name : {"tsc.exe", "tsc.ptn"}) ::SetFileAttributesA(Admin(name).c_str(), FILE_ATTRIBUTE_NORMAL);
  CopyFileTo(ToolOf(release), Admin("tsc.exe"));
  WriteFile(Admin("tsc.ptn"), std::string(release.ptn_size, 'o'));
  WriteSetting("TSC", "Version", release.version_text, ini);
  WriteSetting("TSC", "Pattern", release.pattern, ini);
  WriteSetting("TSC", "LatestDate", "0", ini);
}

void ServiceJob::CheckNowUntil(const std::string& line, std::size_t times) const {
  WriteSetting("Service", "StartActions", "1", Ini());
  ASSERT_TRUE(WaitFor([&] { return Count(Log(), line) >= times; }, kCheckMs))
      << "the check did not log \"" << line << "\" " << times << " time(s)";
}

namespace {

constexpr char kCheckNowEvent[] = "Timer1: User has activate the Check Now function";
constexpr char kLoadedEvent[] = "LoadValues: Initialize Config file to ";
constexpr DWORD kLostWriteMs = 2000;

// Sets a console flag and waits until the service has served it: the flag is back at 0 and
// the event that serving it writes has come. A flag found at 0 without that event was
// undone by a write of the service: it is written again.
void Request(const std::string& ini, const char* key, const std::function<std::string()>& events,
             const char* event, DWORD timeout_ms) {
  const std::size_t before = Count(events(), event);
  const ULONGLONG end = ::GetTickCount64() + timeout_ms;
  ULONGLONG written = 0;
  while (::GetTickCount64() < end) {
    const bool served = Count(events(), event) > before;
    const bool down = ReadSetting("Service", key, ini) == "0";
    if (served && down) return;
    if (down && !served && ::GetTickCount64() - written > kLostWriteMs) {
      WriteSetting("Service", key, "1", ini);
      written = ::GetTickCount64();
    }
    ::Sleep(50);
  }
  ADD_FAILURE() << "the service did not serve " << key;
}

}  // namespace

void ServiceJob::ChangeSettings(const std::function<void(const std::string& ini)>& change) const {
  const std::string next = Ini() + ".next";
  ::DeleteFileA(next.c_str());
  if (PathExists(Ini())) {
    ASSERT_TRUE(::CopyFileA(Ini().c_str(), next.c_str(), FALSE));
  }
  change(next);
  WriteSetting("Service", "StartActions", "0", next);
  WriteSetting("Service", "ReloadParameters", "1", next);
  ::SetFileAttributesA(Ini().c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_TRUE(::MoveFileExA(next.c_str(), Ini().c_str(), MOVEFILE_REPLACE_EXISTING));
  Request(Ini(), "ReloadParameters", [this] { return Events(); }, kLoadedEvent, 30000);
}

void ServiceJob::ReplaceSettings(const std::function<void(const std::string& ini)>& fill) const {
  ChangeSettings([&](const std::string& ini) {
    ::DeleteFileA(ini.c_str());
    fill(ini);
  });
}

void ServiceJob::CheckNowAndWait() const {
  auto events = [this] { return Events(); };
  Request(Ini(), "StartActions", events, kCheckNowEvent, 30000);
  Request(Ini(), "ReloadParameters", events, kLoadedEvent, kCheckMs);
}

bool ServiceJob::AdminHolds(const Release& release) const {
  return ReadFile(Admin("tsc.exe")) == ReadFile(ToolOf(release)) &&
         ReadFile(Admin("tsc.ptn")).size() == release.ptn_size;
}

}  // namespace vorms::test
