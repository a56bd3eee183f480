// The installed service does the whole installation job: a check-now request unpacks the
// package lying in its program folder, installs the tool into the server's ADMIN folder
// and stamps it; a second check finds the server current and installs nothing.
#include <gtest/gtest.h>

#include "com_client.h"
#include "handles.h"
#include "install_fixture.h"
#include "installed_service.h"
#include "settings.h"
#include "zip_files.h"

namespace vorms {
namespace {

using test::ReadFile;
using test::RemoveVorms;
using test::StandIn;
using test::Count;

class InstalledServiceUpdate : public testing::Test {
 protected:
  void SetUp() override {
    RemoveVorms();
    ASSERT_EQ(test::Regsvr32("/s", test::BuildFolder() + "\\Ostrilen.dll"), 0u);
  }
  void TearDown() override {
    RemoveVorms();
    test::Regsvr32("/s /u", test::BuildFolder() + "\\Ostrilen.dll");
  }
  std::string File(const std::string& name) const { return folder_.File(name); }
  std::string Log() const { return ReadFile(File("vorms.log")); }
  void CheckNow() const { WriteSetting("Service", "StartActions", "1", File("plomenk.ini")); }

  test::TempFolder folder_{"vorms service"};
};

TEST_F(InstalledServiceUpdate, CheckNowInstallsThePackageOnceAndStampsIt) {
  const std::string ini = File("plomenk.ini");
  WriteSetting("LOGS", "Enable", "1", ini);
  WriteSetting("FTP", "UseThis", "0", ini);
  WriteSetting("HTTP", "UseThis", "0", ini);
  WriteSetting("Service", "StartActions", "0", ini);
  WriteSetting("Service", "ReloadParameters", "0", ini);
  WriteSetting("OFFICESCAN", "ProgramDirectory", File("PCCSRV"), ini);
  // The package: the stand-in tool and a pattern file.
  ::CreateDirectoryA(File("package").c_str(), nullptr);
  test::CopyFileTo(StandIn("1.0.0.1100", "620"), File("package\\tsc.exe"));
  test::WriteFile(File("package\\tsc.ptn"), std::string(50000, 'p'));
  ASSERT_TRUE(zip::ZipFiles(File("package"), {"tsc.exe", "tsc.ptn"}, File("tsc_1100.zip")));

  ASSERT_TRUE(test::InstallAndStartVorms(folder_.path())) << ::GetLastError();

  CheckNow();
  ASSERT_TRUE(test::WaitFor([&] { return Log().find("ApplyTmTouch: successfull Change TSC.PTN to ") != std::string::npos; },
                            60000))
      << Log() << "--- events.log\n" << ReadFile(File("events.log"));
  EXPECT_TRUE(ReadFile(File("PCCSRV\\ADMIN\\tsc.exe")) == ReadFile(StandIn("1.0.0.1100", "620")));
  EXPECT_EQ(ReadFile(File("PCCSRV\\ADMIN\\tsc.ptn")).size(), 50000u);
  EXPECT_EQ(ReadSetting("TSC", "Version", ini), "1001100");
  EXPECT_EQ(ReadSetting("TSC", "Pattern", ini), "620");

  // The server is current now: the next check compares and stops there.
  CheckNow();
  ASSERT_TRUE(test::WaitFor([&] { return Log().find("IsIsUpdateOfficescan: OfficScan Version=[1001100620]") != std::string::npos; },
                            60000))
      << Log() << "--- events.log\n" << ReadFile(File("events.log"));
  EXPECT_EQ(Count(Log(), "UpdateTSC: Update TSC.EXE File"), 1u);
  EXPECT_EQ(Count(Log(), "ApplyTmTouch: successfull Change TSC.PTN"), 1u);
}

}  // namespace
}  // namespace vorms
