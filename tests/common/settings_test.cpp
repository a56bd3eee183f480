#include <gtest/gtest.h>

#include <functional>

#include "config_setters.h"
#include "errors.h"
#include "settings.h"
#include "test_support.h"

namespace vorms {
namespace {

using test::ProgramSandbox;

using test::ErrorOf;

template <typename Fn>
std::function<std::string()> AsText(Fn getter) {
  return [getter] {
    if constexpr (std::is_same_v<decltype(getter()), std::string>) {
      return getter();
    } else {
      return std::to_string(getter());
    }
  };
}

struct KeyCase {
  const char* section;
  const char* key;
  std::function<std::string()> get;
  std::string vorms_default;
  std::string config_default;
  bool write_back;
  bool trim;
  bool integer;
};

std::vector<KeyCase> AllKeys() {
  const std::string ftp_url = kDefaultFtpFolderUrl;
  const std::string package = kDefaultPackageUrl;
  return {
      {"FTP", "DefaultFolder", AsText(ftp::DefaultFolder), ftp_url, ftp_url, true, false, false},
      {"FTP", "UsePassive", AsText(ftp::UsePassive), "0", "0", true, true, true},
      {"FTP", "UseProxy", AsText(ftp::UseProxy), "0", "0", true, true, true},
      {"FTP", "Proxy", AsText(ftp::Proxy), "", "", true, true, false},
      {"FTP", "ProxyPort", AsText(ftp::ProxyPort), "0", "0", true, true, true},
      {"FTP", "Username", AsText(ftp::Username), "", "", true, true, false},
      {"FTP", "UseThis", AsText(ftp::UseThis), "1", "1", false, false, true},
      {"HTTP", "DefaultFolder", AsText(http::DefaultFolder), kDefaultReleasePageUrlVorms,
       kDefaultReleasePageUrlConfig, true, false, false},
      {"HTTP", "DefaultFileToGet", AsText(http::DefaultFileToGet), package, package, true, false, false},
      {"HTTP", "ProxyName", AsText(http::ProxyName), "", "", true, true, false},
      {"HTTP", "ProxyPort", AsText(http::ProxyPort), "8080", "8080", true, true, true},
      {"HTTP", "UseThis", AsText(http::UseThis), "0", "0", false, false, true},
      {"LOGS", "Enable", AsText(logs::Enable), "0", "0", true, true, true},
      {"TSC", "LatestDate", AsText(tsc::LatestDate), "0", "0", false, false, false},
      {"TSC", "Pattern", AsText(tsc::Pattern), "0", "0", true, true, false},
      {"TSC", "Version", AsText(tsc::Version), "0", "0", true, true, false},
      {"SMTP", "SERVER", AsText(smtp::SERVER), "", "", true, true, false},
      {"SMTP", "From", AsText(smtp::From), "", "", true, true, false},
      {"SMTP", "To", AsText(smtp::To), "", "", true, true, false},
      {"SMTP", "Enable", AsText(smtp::Enable), "0", "0", true, true, true},
      {"SMTP", "EnableSendtheTscFile", AsText(smtp::EnableSendtheTscFile), "0", "0", true, true, true},
      {"Service", "DebugMode", AsText(service::DebugMode), "0", "0", true, true, true},
      {"Service", "ReloadParameters", AsText(service::ReloadParameters), "0", "0", true, true, true},
      {"Service", "StartActions", AsText(service::StartActions), "0", "0", true, true, true},
  };
}

class EveryKey : public testing::TestWithParam<Program> {};

TEST_P(EveryKey, AMissingKeyGivesItsDefaultAndWritesItBackWhereTheTableSays) {
  for (const auto& k : AllKeys()) {
    SCOPED_TRACE(std::string(k.section) + "/" + k.key);
    ProgramSandbox sandbox(GetParam());
    const std::string& expected = GetParam() == Program::Vorms ? k.vorms_default : k.config_default;
    EXPECT_EQ(k.get(), expected);
    // A default of "" is written as an empty value, so look for the key itself.
    const bool written =
        test::ReadFile(sandbox.Ini()).find(std::string(k.key) + "=") != std::string::npos;
    EXPECT_EQ(written, k.write_back);
    if (k.write_back) {
      EXPECT_EQ(ReadSetting(k.section, k.key, sandbox.Ini()), expected);
    }
  }
}

TEST_P(EveryKey, AnEmptyValueCountsAsMissing) {
  for (const auto& k : AllKeys()) {
    SCOPED_TRACE(std::string(k.section) + "/" + k.key);
    ProgramSandbox sandbox(GetParam());
    WriteSetting(k.section, k.key, "", sandbox.Ini());
    EXPECT_EQ(k.get(), GetParam() == Program::Vorms ? k.vorms_default : k.config_default);
  }
}

TEST_P(EveryKey, ValuesAreTrimmedWhereTheTableSays) {
  for (const auto& k : AllKeys()) {
    SCOPED_TRACE(std::string(k.section) + "/" + k.key);
    ProgramSandbox sandbox(GetParam());
    // Quotes keep the blanks through the profile functions.
    WriteSetting(k.section, k.key, k.integer ? "\"  7  \"" : "\"  a b  \"", sandbox.Ini());
    if (k.integer) {
      EXPECT_EQ(k.get(), "7");
    } else {
      EXPECT_EQ(k.get(), k.trim ? "a b" : "  a b  ");
    }
  }
}

TEST_P(EveryKey, IntegerKeysRaiseConversionErrorsInTheCaller) {
  for (const auto& k : AllKeys()) {
    if (!k.integer) continue;
    SCOPED_TRACE(std::string(k.section) + "/" + k.key);
    ProgramSandbox sandbox(GetParam());
    WriteSetting(k.section, k.key, "yes", sandbox.Ini());
    EXPECT_EQ(ErrorOf([&] { k.get(); }), err::kTypeMismatch);
    WriteSetting(k.section, k.key, "40000", sandbox.Ini());
    EXPECT_EQ(ErrorOf([&] { k.get(); }), err::kOverflow);
    WriteSetting(k.section, k.key, "-32768", sandbox.Ini());
    EXPECT_EQ(k.get(), "-32768");
  }
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, EveryKey, testing::Values(Program::Vorms, Program::Config),
                         [](const auto& info) {
                           return info.param == Program::Vorms ? std::string("Vorms")
                                                               : std::string("Config");
                         });

TEST(Settings, TheFileLivesInTheProgramFolder) {
  ProgramSandbox sandbox;
  EXPECT_EQ(SettingsFilePath(), sandbox.folder().path() + "\\plomenk.ini");
  tsc::SetVersion("5123");
  EXPECT_TRUE(test::FileExists(sandbox.Ini()));
}

TEST(Settings, LongValuesComeBackCutTo254Characters) {
  ProgramSandbox sandbox;
  WriteSetting("TSC", "LatestDate", std::string(300, '7'), sandbox.Ini());
  EXPECT_EQ(tsc::LatestDate(), std::string(254, '7'));
}

TEST(Settings, SectionNamesIgnoreLetterCase) {
  ProgramSandbox sandbox;
  WriteSetting("SERVICE", "StartActions", "1", sandbox.Ini());
  WriteSetting("Service", "ReloadParameters", "1", sandbox.Ini());
  EXPECT_EQ(service::StartActions(), 1);
  EXPECT_EQ(ReadSetting("service", "reloadparameters", sandbox.Ini()), "1");
  EXPECT_EQ(test::ReadFile(sandbox.Ini()).find("[Service]"), std::string::npos)
      << "one section, spelled as the first write created it";
}

TEST(Settings, MissingVersionIsWrittenBackAndLeavesPatternAlone) {
  ProgramSandbox sandbox;
  EXPECT_EQ(tsc::Version(), "0");
  EXPECT_EQ(ReadSetting("TSC", "Version", sandbox.Ini()), "0");
  EXPECT_EQ(test::ReadFile(sandbox.Ini()).find("Pattern"), std::string::npos);
}

TEST(Settings, TheFirstProgramToReadTheReleasePageDecidesItsUrl) {
  {
    ProgramSandbox sandbox(Program::Config);
    http::DefaultFolder();
    SetRunningProgram(Program::Vorms);
    EXPECT_EQ(http::DefaultFolder(), kDefaultReleasePageUrlConfig);
  }
  {
    ProgramSandbox sandbox(Program::Vorms);
    http::DefaultFolder();
    SetRunningProgram(Program::Config);
    EXPECT_EQ(http::DefaultFolder(), kDefaultReleasePageUrlVorms);
  }
}

TEST(StateSetters, WriteTheirValuesUnchanged) {
  ProgramSandbox sandbox;
  tsc::SetLatestDate("20261210041500");
  tsc::SetPattern("1234");
  tsc::SetVersion("51200");
  service::SetReloadParameters(1);
  service::SetStartActions(0);
  EXPECT_EQ(ReadSetting("TSC", "LatestDate", sandbox.Ini()), "20261210041500");
  EXPECT_EQ(ReadSetting("TSC", "Pattern", sandbox.Ini()), "1234");
  EXPECT_EQ(tsc::Version(), "51200");
  EXPECT_EQ(ReadSetting("Service", "ReloadParameters", sandbox.Ini()), "1");
  EXPECT_EQ(ReadSetting("Service", "StartActions", sandbox.Ini()), "0");
}

TEST(ConfigSetters, TextSettersTrimTheirValue) {
  ProgramSandbox sandbox(Program::Config);
  const std::pair<std::function<void(std::string_view)>, std::pair<const char*, const char*>> cases[] = {
      {ftp::SetProxy, {"FTP", "Proxy"}},          {ftp::SetProxyPort, {"FTP", "ProxyPort"}},
      {http::SetProxyName, {"HTTP", "ProxyName"}}, {http::SetProxyPort, {"HTTP", "ProxyPort"}},
      {http::SetDefaultFolder, {"HTTP", "DefaultFolder"}}, {smtp::SetSERVER, {"SMTP", "SERVER"}},
      {smtp::SetFrom, {"SMTP", "From"}},          {smtp::SetTo, {"SMTP", "To"}},
      {ftp::SetDefaultFolder, {"FTP", "DefaultFolder"}},
  };
  for (const auto& [set, where] : cases) {
    SCOPED_TRACE(std::string(where.first) + "/" + where.second);
    set("  value  ");
    EXPECT_EQ(ReadSetting(where.first, where.second, sandbox.Ini()), "value");
  }
}

TEST(ConfigSetters, AnEmptyFtpFolderStoresTheDefaultUrl) {
  ProgramSandbox sandbox(Program::Config);
  ftp::SetDefaultFolder("   ");
  EXPECT_EQ(ReadSetting("FTP", "DefaultFolder", sandbox.Ini()), kDefaultFtpFolderUrl);
}

TEST(ConfigSetters, IntegerSettersWriteDecimalText) {
  ProgramSandbox sandbox(Program::Config);
  const std::pair<std::function<void(int16_t)>, std::pair<const char*, const char*>> cases[] = {
      {ftp::SetUsePassive, {"FTP", "UsePassive"}},
      {ftp::SetUseProxy, {"FTP", "UseProxy"}},
      {logs::SetEnable, {"LOGS", "Enable"}},
      {smtp::SetEnable, {"SMTP", "Enable"}},
      {smtp::SetEnableSendtheTscFile, {"SMTP", "EnableSendtheTscFile"}},
      {service::SetDebugMode, {"Service", "DebugMode"}},
      {service::SetReloadParameters, {"Service", "ReloadParameters"}},
      {service::SetStartActions, {"Service", "StartActions"}},
  };
  for (const auto& [set, where] : cases) {
    SCOPED_TRACE(std::string(where.first) + "/" + where.second);
    set(-1);
    EXPECT_EQ(ReadSetting(where.first, where.second, sandbox.Ini()), "-1");
    set(1);
    EXPECT_EQ(ReadSetting(where.first, where.second, sandbox.Ini()), "1");
  }
}

TEST(ConfigSetters, ChoosingOneProtocolAsTrueSwitchesTheOtherOff) {
  ProgramSandbox sandbox(Program::Config);
  ftp::SetUseThis(1);
  http::SetUseThis(-1);
  EXPECT_EQ(ReadSetting("HTTP", "UseThis", sandbox.Ini()), "1");
  EXPECT_EQ(ReadSetting("FTP", "UseThis", sandbox.Ini()), "0");

  ftp::SetUseThis(-1);
  EXPECT_EQ(ReadSetting("FTP", "UseThis", sandbox.Ini()), "1");
  EXPECT_EQ(ReadSetting("HTTP", "UseThis", sandbox.Ini()), "0");

  http::SetUseThis(1);  // 0 and 1 touch this protocol only
  EXPECT_EQ(ReadSetting("FTP", "UseThis", sandbox.Ini()), "1");
  http::SetUseThis(0);
  EXPECT_EQ(ReadSetting("HTTP", "UseThis", sandbox.Ini()), "0");
  EXPECT_EQ(ReadSetting("FTP", "UseThis", sandbox.Ini()), "1");
}

TEST(ConfigSetters, UserNameAndPasswordIgnoreEmptyTexts) {
  ProgramSandbox sandbox(Program::Config);
  ftp::SetUsername("  admin  ");
  ftp::SetPassword("abc");
  EXPECT_EQ(ReadSetting("FTP", "Username", sandbox.Ini()), "admin");

  ftp::SetUsername("");
  ftp::SetPassword("");
  EXPECT_EQ(ftp::Username(), "admin");
  EXPECT_EQ(ftp::Password(), "abc");

  // Only the untrimmed text is tested for emptiness: blanks store an empty name,
  // which the service reads as an anonymous login.
  ftp::SetUsername("   ");
  EXPECT_EQ(ftp::Username(), "");
}

TEST(FtpUrlSplit, SplitsHostAndFolder) {
  struct Case {
    const char* url;
    const char* server;
    const char* folder;
  };
  const Case cases[] = {
      {"ftp://ftp.example.com/products/tsc", "ftp.example.com", "products/tsc"},
      {"ftp://127.0.0.1/", "127.0.0.1", ""},
      {"FTP://host/a/b/c", "host", "a/b/c"},
      {"xxxxxxhost/dir", "host", "dir"},  // the first six characters are dropped, whatever they are
      {"", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(FtpServerFromUrl(c.url), c.server);
    EXPECT_EQ(FtpFolderFromUrl(c.url), c.folder);
  }
}

TEST(FtpUrlSplit, AUrlWithoutAFolderPartIsAnInvalidArgument) {
  for (const char* url : {"ftp://ftp.example.com", "ftp:/", "ftp://"}) {
    SCOPED_TRACE(url);
    EXPECT_EQ(ErrorOf([&] { FtpServerFromUrl(url); }), err::kInvalidArgument);
    EXPECT_EQ(FtpFolderFromUrl(url), "");
  }
}

TEST(GetDebugMode, AnUnreadableValueSwitchesDebugOnAndVormsSaysWhy) {
  {
    ProgramSandbox sandbox(Program::Vorms);
    sandbox.SetNow({2026, 12, 10, 9, 5, 3});
    WriteSetting("Service", "DebugMode", "abc", sandbox.Ini());
    EXPECT_EQ(GET_DEBUG_MODE(), 1);
    EXPECT_EQ(test::ReadLines(sandbox.File("events.log")),
              std::vector<std::string>{"2026-12-10 09:05:03 GET_DEBUG_MODE: Error 13 Type mismatch: 2"});
  }
  {
    ProgramSandbox sandbox(Program::Config);
    WriteSetting("Service", "DebugMode", "abc", sandbox.Ini());
    EXPECT_EQ(GET_DEBUG_MODE(), 1);
    EXPECT_FALSE(test::FileExists(sandbox.File("events.log")));
  }
}

TEST(GetDebugMode, ReadsTheSwitch) {
  ProgramSandbox sandbox;
  EXPECT_EQ(GET_DEBUG_MODE(), 0);
  EXPECT_EQ(ReadSetting("Service", "DebugMode", sandbox.Ini()), "0");
  WriteSetting("Service", "DebugMode", "1", sandbox.Ini());
  EXPECT_EQ(GET_DEBUG_MODE(), 1);
}

}  // namespace
}  // namespace vorms
