#include "install_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "com_client.h"
#include "memory_values.h"
#include "settings.h"
#include "zip_files.h"

namespace vorms::test {
namespace {

// Ostrilen registered in the build's prefix and COM started, for every test.
class RegisteredOstrilen : public testing::Environment {
 public:
  void SetUp() override {
    ASSERT_EQ(Regsvr32("/s", BuildFolder() + "\\Ostrilen.dll"), 0u);
    ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  }
  void TearDown() override {
    ::CoUninitialize();
    Regsvr32("/s /u", BuildFolder() + "\\Ostrilen.dll");
  }
};

[[maybe_unused]] testing::Environment* const kRegistered =
    testing::AddGlobalTestEnvironment(new RegisteredOstrilen);

void MakeFolders(const std::string& path) {
  for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1)) {
    ::CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
  }
  ::CreateDirectoryA(path.c_str(), nullptr);
}

}  // namespace

std::string StandIn(const std::string& version, const std::string& pattern) {
  return BuildFolder() + "\\fixtures\\tsc_" + version + "_" + pattern + "\\tsc.exe";
}

InstallSandbox::InstallSandbox() : folder_(sandbox_.File("Vorms Folder")) {
  MakeFolders(folder_);
  SetProgramFolderForTesting(folder_);
  memory::SetLogsEnabled(1);
  memory::SetDebugOn(1);
  memory::SetOfficeScanRoot(folder_ + "\\PCCSRV");
  WriteSetting("FTP", "UseThis", "0", SettingsFilePath());
  WriteSetting("HTTP", "UseThis", "0", SettingsFilePath());
}

// A failed test shows what the code under test logged.
InstallSandbox::~InstallSandbox() {
  if (testing::Test::HasFailure()) std::printf("--- vorms.log\n%s---\n", ReadFile(File("vorms.log")).c_str());
}

void InstallSandbox::Lay(const std::string& folder, const std::string& version, const std::string& pattern,
                         std::size_t ptn_size) {
  MakeFolders(folder);
  CopyFileTo(StandIn(version, pattern), folder + "\\tsc.exe");
  WriteFile(folder + "\\tsc.ptn", std::string(ptn_size, 'p'));
}

void InstallSandbox::Unpack(const std::string& version, const std::string& pattern, std::size_t ptn_size) {
  Lay(folder_ + "\\temp", version, pattern, ptn_size);
  // As after a retrieval: the package that was unpacked is on record.
  memory::SetNewFileDownloaded(File("tsc.zip"));
}

void InstallSandbox::Install(const std::string& version, const std::string& pattern, std::size_t ptn_size) {
  Lay(folder_ + "\\PCCSRV\\ADMIN", version, pattern, ptn_size);
}

std::string InstallSandbox::Package(const std::string& name, const std::string& version,
                                    const std::string& pattern, std::size_t ptn_size, const SYSTEMTIME& written) {
  const std::string source = sandbox_.File("package-" + name);
  Lay(source, version, pattern, ptn_size);
  const std::string zip = File(name);
  std::string failure;
  EXPECT_TRUE(zip::ZipFiles(source, {"tsc.exe", "tsc.ptn"}, zip, &failure)) << failure;
  FILETIME local, utc;
  ::SystemTimeToFileTime(&written, &local);
  ::LocalFileTimeToFileTime(&local, &utc);
  FileHandle file(::CreateFileA(zip.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ::SetFileTime(file.get(), nullptr, nullptr, &utc);
  return zip;
}

std::string InstallSandbox::Setting(const std::string& key) const {
  return ReadSetting("TSC", key, SettingsFilePath());
}

bool InstallSandbox::LogHas(const std::string& text) const {
  return ReadFile(File("vorms.log")).find(text) != std::string::npos;
}

bool InstallSandbox::DebugLogHas(const std::string& text) const {
  return ReadFile(File("VORMS_DEBUG.log")).find(text) != std::string::npos;
}

}  // namespace vorms::test
