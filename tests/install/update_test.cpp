// The update decision and the installation into ADMIN, and the chain they form.
#include <gtest/gtest.h>

#include "check_chain.h"
#include "install_fixture.h"
#include "memory_values.h"
#include "package_store.h"
#include "tsc_update.h"

namespace vorms {
namespace {

using test::FileExists;
using test::InstallSandbox;
using test::ReadFile;
using test::StandIn;

TEST(IsIsUpdateOfficescan, NoInstalledCopyUpdatesWithoutProbingTheServer) {
  InstallSandbox sandbox;
  sandbox.Unpack("1.0.0.1067", "617", 100);
  EXPECT_TRUE(IsIsUpdateOfficescan());
  EXPECT_TRUE(sandbox.DebugLogHas("IsIsUpdateOfficescan: FinalMyVersion=[1001067617]"));
  EXPECT_TRUE(sandbox.DebugLogHas("IsIsUpdateOfficescan: OK, Ready to Update"));
  EXPECT_FALSE(sandbox.LogHas("IsIsUpdateOfficescan: OfficScan Version="));
  EXPECT_TRUE(FileExists(sandbox.Folder() + "\\PCCSRV\\Download"));

  EXPECT_TRUE(UpdateTSC());
  EXPECT_TRUE(ReadFile(sandbox.Admin("tsc.exe")) == ReadFile(sandbox.Temp("tsc.exe")));
  EXPECT_TRUE(ReadFile(sandbox.Admin("tsc.ptn")) == ReadFile(sandbox.Temp("tsc.ptn")));
  EXPECT_EQ(memory::GetTempToolVersion(), "1.0.0.1067");
  EXPECT_TRUE(sandbox.LogHas("UpdateTSC: Update TSC.EXE File"));
}

TEST(IsIsUpdateOfficescan, ComparesVersionThenPatternAsText) {
  struct Case {
    const char* what;
    const char* installed_version;
    const char* installed_pattern;
    const char* unpacked_version;
    const char* unpacked_pattern;
    bool update;
  };
  const Case cases[] = {
      {"identical copies", "1.0.0.1067", "617", "1.0.0.1067", "617", false},
      {"a newer pattern", "1.0.0.1067", "617", "1.0.0.1067", "618", true},
      {"V99 against V100: greater as text", "1.0.0.1067", "99", "1.0.0.1067", "100", false},
      {"a newer version", "1.0.0.1067", "618", "1.0.0.1100", "620", true},
      {"an older copy downloaded", "1.0.0.1100", "620", "1.0.0.1067", "617", false},
  };
  for (const Case& c : cases) {
    InstallSandbox sandbox;
    sandbox.Install(c.installed_version, c.installed_pattern, 100);
    sandbox.Unpack(c.unpacked_version, c.unpacked_pattern, 100);
    EXPECT_EQ(IsIsUpdateOfficescan(), c.update) << c.what;
    EXPECT_TRUE(sandbox.LogHas("IsIsUpdateOfficescan: VORMS Version=[")) << c.what;
  }
  InstallSandbox sandbox;
  sandbox.Install("1.0.0.1067", "617", 100);
  sandbox.Unpack("1.0.0.1067", "618", 100);
  IsIsUpdateOfficescan();
  EXPECT_TRUE(sandbox.LogHas("IsIsUpdateOfficescan: OfficScan Version=[1001067617]"));
  EXPECT_TRUE(sandbox.LogHas("IsIsUpdateOfficescan: VORMS Version=[1001067618]"));
}

TEST(IsIsUpdateOfficescan, NothingToUnpackIsNoUpdate) {
  InstallSandbox sandbox;
  EXPECT_FALSE(IsIsUpdateOfficescan());
  EXPECT_FALSE(sandbox.LogHas("IsIsUpdateOfficescan: Testing OfficeScan/VORMS versions"));
}

TEST(UpdateTSC, CopiesThePatternWhenItsSizeIsGreaterAsText) {
  struct Case {
    std::size_t unpacked, installed;
    bool copied;
  };
  for (const Case c : {Case{999000, 1000000, true}, Case{100000, 99999, false}, Case{500, 400, true}}) {
    InstallSandbox sandbox;
    sandbox.Install("1.0.0.1067", "617", c.installed);
    sandbox.Unpack("1.0.0.1067", "618", c.unpacked);
    EXPECT_TRUE(UpdateTSC());
    EXPECT_EQ(ReadFile(sandbox.Admin("tsc.ptn")).size(), c.copied ? c.unpacked : c.installed) << c.unpacked;
    EXPECT_TRUE(ReadFile(sandbox.Admin("tsc.exe")) == ReadFile(StandIn("1.0.0.1067", "617")));
    EXPECT_FALSE(sandbox.LogHas("UpdateTSC: Update TSC.EXE File"));
    EXPECT_FALSE(FileExists(sandbox.Admin("tsc.ptn.vorms-new")));
  }
}

class Chain : public testing::Test {
 protected:
  void SetUp() override {
    CheckChain chain;
    chain.IsIsUpdateOfficescan = IsIsUpdateOfficescan;
    chain.UpdateTSC = UpdateTSC;
    chain.ApplyTmTouch = ApplyTmTouch;
    chain.SMTP_Notify = [this] { return ++mails_ > 0; };
    SetCheckChain(chain);
  }
  void TearDown() override { SetCheckChain({}); }
  int mails_ = 0;
};

TEST_F(Chain, AReadOnlyInstalledFileFailsTheUpdateLeavesBothOldAndStopsTheChain) {
  for (const char* locked : {"tsc.exe", "tsc.ptn"}) {
    SCOPED_TRACE(locked);
    mails_ = 0;
    InstallSandbox sandbox;
    sandbox.Install("1.0.0.1067", "617", 100);
    sandbox.Unpack("1.0.0.1100", "620", 200);
    const std::string old_tool = ReadFile(sandbox.Admin("tsc.exe"));
    ::SetFileAttributesA(sandbox.Admin(locked).c_str(), FILE_ATTRIBUTE_READONLY);
    Launch();
    const std::string failure = "UpdateTSC: Error Updating your serveur : 70 Permission denied";
    EXPECT_EQ(memory::GetUpdateReport(), failure);
    EXPECT_TRUE(sandbox.LogHas(failure));
    EXPECT_TRUE(ReadFile(sandbox.Admin("tsc.exe")) == old_tool);
    EXPECT_EQ(ReadFile(sandbox.Admin("tsc.ptn")).size(), 100u);
    EXPECT_FALSE(FileExists(sandbox.Admin("tsc.exe.vorms-new")));
    EXPECT_FALSE(FileExists(sandbox.Admin("tsc.ptn.vorms-new")));
    EXPECT_FALSE(sandbox.LogHas("ApplyTmTouch:"));
    EXPECT_EQ(mails_, 0);
    ::SetFileAttributesA(sandbox.Admin(locked).c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST_F(Chain, InstallsStampsAndMails) {
  InstallSandbox sandbox;
  sandbox.Install("1.0.0.1067", "617", 100);
  sandbox.Unpack("1.0.0.1100", "620", 200);
  Launch();
  EXPECT_TRUE(ReadFile(sandbox.Admin("tsc.exe")) == ReadFile(StandIn("1.0.0.1100", "620")));
  EXPECT_EQ(ReadFile(sandbox.Admin("tsc.ptn")).size(), 200u);
  EXPECT_TRUE(sandbox.LogHas("ApplyTmTouch: successfull Change TSC.EXE to "));
  EXPECT_TRUE(sandbox.LogHas("ApplyTmTouch: successfull Change TSC.PTN to "));
  EXPECT_EQ(mails_, 1);
}

TEST_F(Chain, NothingToCopyStillStamps) {
  InstallSandbox sandbox;
  // The decision says yes (a greater pattern), but the tool's version is the same and
  // the pattern file no larger as text: nothing is copied.
  sandbox.Install("1.0.0.1067", "617", 900);
  sandbox.Unpack("1.0.0.1067", "618", 1000);
  const std::string installed_ptn = ReadFile(sandbox.Admin("tsc.ptn"));
  Launch();
  EXPECT_TRUE(ReadFile(sandbox.Admin("tsc.ptn")) == installed_ptn);
  EXPECT_FALSE(sandbox.LogHas("UpdateTSC:"));
  EXPECT_TRUE(sandbox.LogHas("ApplyTmTouch: successfull Change TSC.PTN to "));
  EXPECT_EQ(mails_, 1);
}

TEST_F(Chain, AMissingInstalledPatternEndsTheChainWithoutMail) {
  InstallSandbox sandbox;
  sandbox.Unpack("1.0.0.1067", "617", 100);
  ::DeleteFileA(sandbox.Temp("tsc.ptn").c_str());  // nothing to install as tsc.ptn
  Launch();
  EXPECT_TRUE(FileExists(sandbox.Admin("tsc.exe")));
  EXPECT_TRUE(sandbox.LogHas("ApplyTmTouch: successfull Change TSC.EXE to "));
  EXPECT_FALSE(sandbox.LogHas("ApplyTmTouch: successfull Change TSC.PTN"));
  EXPECT_EQ(mails_, 0);
}

}  // namespace
}  // namespace vorms
