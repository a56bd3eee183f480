#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "machine_facts.h"
#include "test_support.h"

namespace vorms::fslib {
namespace {

using test::TempFolder;
using test::WriteFile;

TEST(PatternFolderVersion, ReturnsTheGreatestNumberAsText) {
  TempFolder folder;
  for (const char* name : {"lpt$vpn.101", "lpt$vpn.123", "lpt$vpn.099", "other.999"}) {
    WriteFile(folder.File(name), "pattern");
  }
  ::CreateDirectoryA(folder.File("lpt$vpn.900").c_str(), nullptr);  // a folder is no pattern
  EXPECT_EQ(PatternFolderVersion(folder.path()), "123");
}

TEST(PatternFolderVersion, GivesZeroForAnEmptyOrMissingFolder) {
  TempFolder folder;
  EXPECT_EQ(PatternFolderVersion(folder.path()), "0");
  EXPECT_EQ(PatternFolderVersion(folder.File("missing")), "0");
}

TEST(OperatingSystemType, IsNt) { EXPECT_EQ(OperatingSystemType(), "NT"); }

// Wine reports the host's memory: its /proc/meminfo is an independent reading.
TEST(MemoryFromOs, GivesTheTotalPhysicalMemoryInKilobytes) {
  std::string meminfo = test::ReadFile("Z:\\proc\\meminfo");
  if (meminfo.empty()) GTEST_SKIP() << "no /proc/meminfo outside Wine";
  std::istringstream in(meminfo.substr(meminfo.find("MemTotal:") + 9));
  double host_kb = 0;
  in >> host_kb;
  double reported = std::stod(MEMORY_GET_FROM_OS());
  EXPECT_NEAR(reported, host_kb, host_kb / 100);
}

TEST(FrenchLanguage, KnowsTheFiveFrenchIdentifiers) {
  const std::pair<const char*, bool> cases[] = {
      {"040c", true},  {"080c", true},  {"0c0c", true},  {"100c", true}, {"140c", true},
      {"0809", false}, {"0409", false}, {"180c", false}, {"040C", false}, {"", false},
  };
  for (const auto& [id, french] : cases) {
    SCOPED_TRACE(id);
    EXPECT_EQ(IsFrenchLanguageId(id), french);
  }
}

// CTest runs this once per Wine locale (LC_ALL), naming the language identifier that the
// locale must give.
TEST(FrenchLanguage, FollowsTheDefaultLocale) {
  const char* expected = std::getenv("VORMS_EXPECTED_LANGUAGE");
  if (expected == nullptr) GTEST_SKIP() << "run by CTest with a locale";
  char language[5] = {};
  ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE, language, sizeof language);
  ASSERT_STREQ(language, expected) << "the locale did not take effect";
  EXPECT_EQ(OperatingSystem_IFitIsFrench(), IsFrenchLanguageId(expected));
}

TEST(System32Folder, IsTheSystemFolderWithoutTrailingBackslash) {
  std::string folder = GET_SYSTEM32_FOLDER();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');
  EXPECT_TRUE(test::FileExists(folder + "\\kernel32.dll"));
  char windows[MAX_PATH];
  UINT n = ::GetWindowsDirectoryA(windows, MAX_PATH);
  EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, folder.c_str(), -1,
                           (std::string(windows, n) + "\\system32").c_str(), -1),
            CSTR_EQUAL);
}

}  // namespace
}  // namespace vorms::fslib
