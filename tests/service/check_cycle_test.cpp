// The settings loader, one check and the tick, in-process: the real settings file and
// journal in a program folder of their own, the clock fixed, and the chain's steps
// stood in for by recorders (the real steps are tested with their own modules).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "check_chain.h"
#include "check_cycle.h"
#include "files.h"
#include "memory_values.h"
#include "schedule.h"
#include "service_core_fixture.h"
#include "settings.h"
#include "settings_loader.h"
#include "test_support.h"

namespace vorms {
namespace {

using test::Events;
using test::ProgramSandbox;
using Lines = std::vector<std::string>;

const DateTime kNow{2004, 8, 12, 21, 50, 44};
const std::string kNowMinutes = MinutesSince2000(kNow);
const std::string kNextMinutes = MinutesSince2000(AddMinutes(kNow, 60));

class ServiceCore : public testing::Test {
 protected:
  void SetUp() override { sandbox_.SetNow(kNow); }
  void TearDown() override { SetCheckChain({}); }

  void Set(const char* section, const char* key, const std::string& value) {
    WriteSetting(section, key, value, sandbox_.Ini());
  }
  std::string Get(const char* section, const char* key) const {
    return ReadSetting(section, key, sandbox_.Ini());
  }
  Lines Journal() const { return Events(sandbox_.File("events.log")); }
  // The loader's last events on a file without proxies.
  Lines ProxiesAndSizeEvents() const {
    return {
        "LoadValues: FTP Proxy Name =",
        "LoadValues: FTP Proxy Port =0",
        "LoadValues: HTTP Default File=http://www.trendmicro.com/download/tsc.asp",
        "LoadValues: HTTP Proxy Name=",
        "LoadValues: HTTP Proxy Port=8080",
        "LoadValues: HTTP Enable= 0",
        "LoadValues: Initialize Config file to " + std::to_string(FileLength(sandbox_.Ini())),
    };
  }
  static Lines Joined(Lines head, const Lines& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
  }
  void ClearJournal() const { ::DeleteFileA(sandbox_.File("events.log").c_str()); }
  // The tick takes the file as loaded: no size change pending.
  void SettleFileSize() const {
    memory::SetConfigFileSize(static_cast<float>(FileLength(sandbox_.Ini())));
  }
  // Every step answers `answer`, and records its name and what `probe` reads at that moment.
  void RecordSteps(bool answer = true, std::function<std::string()> probe = {}) {
    auto step = [this, answer, probe](const char* name) {
      return [this, answer, probe, name] {
        calls_.push_back(probe ? std::string(name) + ":" + probe() : name);
        return answer;
      };
    };
    SetCheckChain({step("HTTP_GET_FILE"), step("StartFTP"), step("IsIsUpdateOfficescan"),
                   step("UpdateTSC"), step("ApplyTmTouch"), step("SMTP_Notify")});
  }

  ProgramSandbox sandbox_;
  Lines calls_;
};

TEST_F(ServiceCore, LoadValuesOnAFreshFolderReportsTheDefaultsInOrderAndWritesThem) {
  test::ServerRecord no_record;
  LoadValues();

  const std::string root = sandbox_.File("PCCSRV");
  const Lines expected = {
      "LoadValues: OfficeScan Server Root=" + root,
      "LoadValues: FTP Enable= 1",
      "LoadValues: FTP Root=ftp://ftp.trendmicro.com/products/tsc",
      "LoadValues: 0",
      "LoadValues: FTP Server=ftp.trendmicro.com",
      "LoadValues: FTP Folder=products/tsc",
  };
  EXPECT_EQ(Journal(), Joined(expected, ProxiesAndSizeEvents()));
  EXPECT_TRUE(PathExists(root)) << "verifRoot created the root";

  EXPECT_EQ(memory::GetOfficeScanRoot(), root);
  EXPECT_EQ(memory::GetFtpServer(), "ftp.trendmicro.com");
  EXPECT_EQ(memory::GetFtpFolder(), "products/tsc");
  EXPECT_EQ(memory::GetConfigFileSize(), static_cast<float>(FileLength(sandbox_.Ini())));

  EXPECT_EQ(Get("OFFICESCAN", "ProgramDirectory"), root);
  EXPECT_EQ(Get("FTP", "DefaultFolder"), "ftp://ftp.trendmicro.com/products/tsc");
  EXPECT_EQ(Get("LOGS", "Enable"), "0");
  EXPECT_EQ(Get("FTP", "ProxyPort"), "0");
  EXPECT_EQ(Get("HTTP", "DefaultFolder"), "http://www.trendmicro.com/download/tsc.asp");
  EXPECT_EQ(Get("HTTP", "ProxyPort"), "8080");
  EXPECT_EQ(Get("SERVICE", "SchedulePoolMinutes"), "60");
  EXPECT_EQ(Get("SERVICE", "ScheduleTimeExecute"), kNextMinutes);
  const std::string text = test::ReadFile(sandbox_.Ini());
  EXPECT_EQ(text.find("UseThis"), std::string::npos) << text;
}

TEST_F(ServiceCore, LoadValuesGoesOnAfterAnFtpUrlWithoutAFolder) {
  Set("FTP", "DefaultFolder", "ftp://127.0.0.1");
  Set("OFFICESCAN", "ProgramDirectory", sandbox_.File("PCCSRV"));
  memory::SetFtpServer("earlier.example");
  LoadValues();

  const Lines journal = Journal();
  const Lines tail(journal.begin() + 3, journal.end());
  const Lines expected = {
      "LoadValues: 0",
      "LoadValues: Error 5 Invalid procedure call or argument",
      "LoadValues: FTP Folder=",
  };
  EXPECT_EQ(tail, Joined(expected, ProxiesAndSizeEvents()));
  EXPECT_EQ(memory::GetFtpServer(), "earlier.example") << "the failed split keeps the old value";
  EXPECT_EQ(Get("SERVICE", "ScheduleTimeExecute"), kNextMinutes);
}

struct LaunchCase {
  const char* name;
  const char* http;  // [HTTP] UseThis, [FTP] UseThis
  const char* ftp;
  bool answer;       // what every step answers
  Lines calls;
  const char* logged;  // the level-1 line, or ""
};

TEST_F(ServiceCore, LaunchRunsEachStepOnlyAfterTheOneBeforeAnsweredTrue) {
  const LaunchCase cases[] = {
      {"both protocols, all true", "1", "1", true,
       {"HTTP_GET_FILE", "StartFTP", "IsIsUpdateOfficescan", "UpdateTSC", "ApplyTmTouch", "SMTP_Notify"}, ""},
      {"HTTP finds nothing: no FTP attempt", "1", "1", false, {"HTTP_GET_FILE"}, "Launch: HTTP_GET_FILE=False"},
      {"FTP finds nothing", "0", "1", false, {"StartFTP"}, "Launch: STARTFTP=False"},
      {"both off: straight to the decision", "0", "0", true,
       {"IsIsUpdateOfficescan", "UpdateTSC", "ApplyTmTouch", "SMTP_Notify"}, ""},
      {"decision false ends silently", "0", "0", false, {"IsIsUpdateOfficescan"}, ""},
      {"a value other than 1 is off", "2", "-1", true,
       {"IsIsUpdateOfficescan", "UpdateTSC", "ApplyTmTouch", "SMTP_Notify"}, ""},
  };
  for (const LaunchCase& c : cases) {
    SCOPED_TRACE(c.name);
    ProgramSandbox sandbox;
    memory::SetLogsEnabled(1);
    WriteSetting("HTTP", "UseThis", c.http, sandbox.Ini());
    WriteSetting("FTP", "UseThis", c.ftp, sandbox.Ini());
    calls_.clear();
    RecordSteps(c.answer);
    Launch();

    EXPECT_EQ(calls_, c.calls);
    Lines events = Events(sandbox.File("events.log"));
    Lines expected = {"Launch: Launch Function starting", std::string("Launch: HTTP Protocol=") + c.http};
    if (std::string(c.http) == "1") expected.push_back("Launch: Invoke GET_PROTOCOL_HTTP");
    EXPECT_EQ(events, expected);
    const std::string log = test::ReadFile(sandbox.File("vorms.log"));
    if (*c.logged) {
      EXPECT_NE(log.find(std::string("]") + c.logged + "\r\n"), std::string::npos) << log;
    } else {
      EXPECT_EQ(log, "");
    }
  }
}

TEST_F(ServiceCore, AStepTheChainWasNotGivenCountsAsFalse) {
  memory::SetLogsEnabled(1);
  Set("HTTP", "UseThis", "1");
  SetCheckChain({});
  Launch();
  EXPECT_NE(test::ReadFile(sandbox_.File("vorms.log")).find("]Launch: HTTP_GET_FILE=False"), std::string::npos);

  CheckChain decision_only;
  decision_only.IsIsUpdateOfficescan = [this] { calls_.push_back("decision"); return true; };
  SetCheckChain(decision_only);
  Set("HTTP", "UseThis", "0");
  Set("FTP", "UseThis", "0");
  Launch();  // UpdateTSC missing: nothing after the decision runs
  EXPECT_EQ(calls_, Lines{"decision"});
}

TEST_F(ServiceCore, TheFetchedPackagesTimeIsStoredOnlyOnceThePackageIsJudged) {
  struct Case {
    const char* name;
    bool decision, update, touch;
    const char* latest;
  };
  const Case cases[] = {
      {"not newer than the installed tool", false, false, false, "20261210120000"},
      {"installed and stamped", true, true, true, "20261210120000"},
      {"installation failed: fetched again next time", true, false, false, "20040101000000"},
      {"stamp failed", true, true, false, "20040101000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProgramSandbox sandbox;
    WriteSetting("FTP", "UseThis", "1", sandbox.Ini());
    WriteSetting("TSC", "LatestDate", "20040101000000", sandbox.Ini());
    memory::SetFetchedDate("19990101000000");  // left by an earlier check: not this one's
    auto answer = [](bool value) { return [value] { return value; }; };
    SetCheckChain({{},
                   [] {
                     memory::SetFetchedDate("20261210120000");
                     return true;
                   },
                   answer(c.decision), answer(c.update), answer(c.touch), answer(true)});
    Launch();
    EXPECT_EQ(ReadSetting("TSC", "LatestDate", sandbox.Ini()), c.latest);
  }
  memory::SetFetchedDate("19990101000000");
  SetCheckChain({{}, [] { return false; }, {}, {}, {}, {}});
  Launch();  // nothing fetched by this check
  EXPECT_EQ(ReadSetting("TSC", "LatestDate", sandbox_.Ini()), "");
}

TEST_F(ServiceCore, AReadOnlySettingsFileServesEachRequestOnce) {
  test::ServerRecord no_record;
  Set("SERVICE", "ScheduleTimeExecute", kNextMinutes);
  Set("FTP", "UseThis", "0");
  Set("Service", "ReloadParameters", "1");
  Set("Service", "StartActions", "1");
  SettleFileSize();
  ClearJournal();
  RecordSteps(false);
  auto read_only = std::make_unique<test::ReadOnlyFile>(sandbox_.Ini());
  for (int tick = 0; tick < 3; ++tick) CRONO_Timer();

  EXPECT_EQ(calls_, Lines{"IsIsUpdateOfficescan"}) << "one check, not one a tick";
  const Lines journal = Journal();
  auto count = [&](const std::string& line) { return std::count(journal.begin(), journal.end(), line); };
  EXPECT_EQ(count("Timer1: The settings file cannot be written: ReloadParameters stays 1 and is served "
                  "once, until the file can be written"),
            1);
  EXPECT_EQ(count("Timer1: The settings file cannot be written: StartActions stays 1 and is served "
                  "once, until the file can be written"),
            1);
  EXPECT_EQ(count("Timer1: User has activate the Check Now function"), 1);

  // Writable again: the flags are taken back and a new request is served.
  read_only.reset();
  CRONO_Timer();
  EXPECT_EQ(Get("Service", "StartActions"), "0");
  EXPECT_EQ(Get("Service", "ReloadParameters"), "0");
  EXPECT_EQ(calls_.size(), 1u);
  Set("Service", "StartActions", "1");
  SettleFileSize();
  CRONO_Timer();
  EXPECT_EQ(calls_.size(), 2u);
}

TEST_F(ServiceCore, ADueRunStoresTheNextTimeBeforeTheCheck) {
  Set("SERVICE", "ScheduleTimeExecute", kNowMinutes);  // equal to the current minute: due
  Set("FTP", "UseThis", "0");
  SettleFileSize();
  RecordSteps(false, [this] { return Get("SERVICE", "ScheduleTimeExecute"); });
  CRONO_Timer();
  EXPECT_EQ(calls_, Lines{"IsIsUpdateOfficescan:" + kNextMinutes});
  EXPECT_EQ(memory::GetNextRunMinutes(), kNextMinutes);

  calls_.clear();
  CRONO_Timer();  // no longer due
  EXPECT_EQ(calls_, Lines{});
}

TEST_F(ServiceCore, CheckNowClearsTheFlagFirstReportsAndChecks) {
  Set("SERVICE", "ScheduleTimeExecute", kNextMinutes);
  Set("FTP", "UseThis", "0");
  Set("Service", "StartActions", "1");
  SettleFileSize();
  ClearJournal();
  RecordSteps(false, [this] { return Get("Service", "StartActions"); });
  CRONO_Timer();

  EXPECT_EQ(calls_, Lines{"IsIsUpdateOfficescan:0"});
  EXPECT_EQ(Get("Service", "StartActions"), "0");
  EXPECT_EQ(Journal(), (Lines{"Timer1: User has activate the Check Now function",
                              "Launch: Launch Function starting", "Launch: HTTP Protocol=0"}));
}

TEST_F(ServiceCore, OneTickCanRunTwoChecks) {
  Set("SERVICE", "ScheduleTimeExecute", "0");
  Set("FTP", "UseThis", "0");
  Set("Service", "StartActions", "1");
  SettleFileSize();
  RecordSteps(false);
  CRONO_Timer();
  EXPECT_EQ(calls_, (Lines{"IsIsUpdateOfficescan", "IsIsUpdateOfficescan"}));
}

TEST_F(ServiceCore, AReloadRequestLoadsMovesTheNextRunAndClearsTheFlag) {
  test::ServerRecord no_record;
  Set("SERVICE", "ScheduleTimeExecute", "99999999");
  Set("Service", "ReloadParameters", "1");
  SettleFileSize();
  ClearJournal();
  CRONO_Timer();

  const Lines journal = Journal();
  ASSERT_FALSE(journal.empty());
  EXPECT_EQ(journal.front(), "LoadValues: OfficeScan Server Root=" + sandbox_.File("PCCSRV"));
  EXPECT_EQ(journal.back().rfind("LoadValues: Initialize Config file to ", 0), 0u);
  EXPECT_EQ(Get("Service", "ReloadParameters"), "0");
  EXPECT_EQ(Get("SERVICE", "ScheduleTimeExecute"), kNextMinutes);
}

TEST_F(ServiceCore, ASizeChangeReportsAndReloadsAndADeletedFileIsRecreatedThenReloaded) {
  test::ServerRecord no_record;
  Set("SERVICE", "ScheduleTimeExecute", kNextMinutes);
  // Present already, so that the flags' getters do not grow the file themselves.
  Set("Service", "ReloadParameters", "0");
  Set("Service", "StartActions", "0");
  LoadValues();
  SettleFileSize();
  Set("SMTP", "SERVER", "mail.example");  // another program's edit: the size changes
  ClearJournal();
  CRONO_Timer();
  Lines journal = Journal();
  ASSERT_GE(journal.size(), 2u);
  EXPECT_EQ(journal[0], "Timer1: Config File is changed");
  EXPECT_EQ(journal[1].rfind("LoadValues: OfficeScan Server Root=", 0), 0u);
  EXPECT_EQ(memory::GetConfigFileSize(), static_cast<float>(FileLength(sandbox_.Ini())));

  ClearJournal();
  CRONO_Timer();
  EXPECT_EQ(Journal(), Lines{}) << "nothing changed since the load";

  ASSERT_TRUE(::DeleteFileA(sandbox_.Ini().c_str()));
  CRONO_Timer();
  EXPECT_EQ(Journal(), Lines{}) << "no file, no size comparison";
  EXPECT_TRUE(PathExists(sandbox_.Ini())) << "the flags' getters recreate the file";
  CRONO_Timer();
  journal = Journal();
  ASSERT_FALSE(journal.empty());
  EXPECT_EQ(journal[0], "Timer1: Config File is changed");
}

TEST_F(ServiceCore, AFlagThatIsNotANumberSkipsOnlyItsOwnStatement) {
  Set("SERVICE", "ScheduleTimeExecute", kNextMinutes);
  Set("FTP", "UseThis", "0");
  Set("Service", "ReloadParameters", "yes");
  Set("Service", "StartActions", "1");
  SettleFileSize();
  RecordSteps(false);
  CRONO_Timer();
  EXPECT_EQ(calls_, Lines{"IsIsUpdateOfficescan"});
  EXPECT_EQ(Get("Service", "ReloadParameters"), "yes");
}

}  // namespace
}  // namespace vorms
