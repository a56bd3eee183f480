#include <gtest/gtest.h>

#include <functional>

#include "fixture_files.h"
#include "version_info.h"

namespace vorms::fslib {
namespace {

using test::FixturePath;

struct GetterCase {
  const char* fixture;
  const char* getter;
  std::function<std::string(const std::string&)> call;
  const char* expected;
};

TEST(VersionGetters, FollowTheirBlankRulesOverRealResources) {
  const GetterCase cases[] = {
      {"fixture_versioned.exe", "FileVersion", Get_File_FileVersion, "5.1.2600.0"},
      {"fixture_versioned.exe", "ProductVersion", Get_File_ProductVersion, " 5.1"},
      {"fixture_versioned.exe", "PrivateBuild", Get_File_Private_Build, " private 7 "},
      {"fixture_versioned.exe", "SpecialBuild", Get_File_Special_build, "special 3"},
      {"fixture_versioned.exe", "FileInfo", Get_FileInfo_Version, "5.1.2600.0"},
      {"fixture_no_special_build.exe", "FileVersion", Get_File_FileVersion, "2.7 beta"},
      {"fixture_no_special_build.exe", "ProductVersion", Get_File_ProductVersion, " 2.7"},
      {"fixture_no_special_build.exe", "PrivateBuild", Get_File_Private_Build, "PrivateBuild"},
      {"fixture_no_special_build.exe", "SpecialBuild", Get_File_Special_build, "SpecialBuild"},
      {"fixture_no_special_build.exe", "FileInfo", Get_FileInfo_Version, "2.7.65535.12"},
      {"fixture_unversioned.exe", "FileVersion", Get_File_FileVersion, ""},
      {"fixture_unversioned.exe", "ProductVersion", Get_File_ProductVersion, ""},
      {"fixture_unversioned.exe", "PrivateBuild", Get_File_Private_Build, ""},
      {"fixture_unversioned.exe", "SpecialBuild", Get_File_Special_build, ""},
      {"fixture_unversioned.exe", "FileInfo", Get_FileInfo_Version, ""},
      {"missing.exe", "FileVersion", Get_File_FileVersion, ""},
      {"missing.exe", "ProductVersion", Get_File_ProductVersion, ""},
      {"missing.exe", "PrivateBuild", Get_File_Private_Build, ""},
      {"missing.exe", "SpecialBuild", Get_File_Special_build, ""},
      {"missing.exe", "FileInfo", Get_FileInfo_Version, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.fixture) + " " + c.getter);
    EXPECT_EQ(c.call(FixturePath(c.fixture)), c.expected);
  }
}

TEST(VersionStrings, ListsTheTwelveNamesInOrderWithTheirValues) {
  std::vector<std::string> table = VersionStrings(FixturePath("fixture_no_special_build.exe"));
  const std::vector<std::string> expected = {
      "CompanyName: Fixture Company",
      "FileDescription: Fixture without special build",
      "FileVersion:  2.7 beta ",
      "InternalName: no_special_build",
      "LegalCopyright",
      "OriginalFilename: fixture_no_special_build.exe",
      "ProductName: Fixture",
      "ProductVersion: 2.7",
      "Comments",
      "LegalTrademarks",
      "PrivateBuild",
      "SpecialBuild"};
  EXPECT_EQ(table, expected);
}

TEST(VersionStringValue, TakesTheLastEntryHoldingTheKey) {
  EXPECT_EQ(VersionStringValue({"FileVersion: 1", "Comments: a FileVersion: 2"}, "FileVersion"),
            " a FileVersion: 2");
  EXPECT_EQ(VersionStringValue({"Comments: x"}, "FileVersion"), "");
  EXPECT_EQ(VersionStringValue({}, "FileVersion"), "");
}

}  // namespace
}  // namespace vorms::fslib
