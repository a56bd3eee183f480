// The local package store: which package is unpacked, what is stored, what is refused.
#include <gtest/gtest.h>

#include "install_fixture.h"
#include "memory_values.h"
#include "package_store.h"
#include "settings.h"

namespace vorms {
namespace {

using test::FileExists;
using test::InstallSandbox;
using test::ReadFile;
using test::StandIn;

SYSTEMTIME At(WORD year, WORD month, WORD day, WORD hour) {
  SYSTEMTIME t{};
  t.wYear = year;
  t.wMonth = month;
  t.wDay = day;
  t.wHour = hour;
  return t;
}

TEST(FlushLocalValue, NothingRecordedAndNoPackage) {
  InstallSandbox sandbox;
  EXPECT_FALSE(FlushLocalValue());
  EXPECT_EQ(sandbox.Setting("Version"), "0");
  EXPECT_EQ(sandbox.Setting("Pattern"), "0");
  EXPECT_FALSE(FileExists(sandbox.Temp("")));
  EXPECT_TRUE(sandbox.LogHas("FindOldDateZipFiles: cannot find old downloaded files..."));
  EXPECT_TRUE(sandbox.LogHas("FlushLocalValue: no old files has been Found on " + sandbox.Folder() +
                             " folder so Version is 0"));
}

TEST(FlushLocalValue, UnpacksTheNewerOfTwoPackages) {
  InstallSandbox sandbox;
  // Listed in either order, the later modification time wins.
  sandbox.Package("tsc_b.zip", "1.0.0.1067", "617", 100, At(2026, 3, 1, 10));
  const std::string newer = sandbox.Package("tsc_a.zip", "1.0.0.1100", "620", 200, At(2026, 3, 1, 11));
  EXPECT_TRUE(FlushLocalValue());
  EXPECT_EQ(memory::GetNewFileDownloaded(), newer);
  EXPECT_TRUE(ReadFile(sandbox.Temp("tsc.exe")) == ReadFile(StandIn("1.0.0.1100", "620")));
  EXPECT_EQ(sandbox.Setting("Version"), "1001100");
  EXPECT_EQ(sandbox.Setting("Pattern"), "620");
  EXPECT_TRUE(sandbox.LogHas("FlushLocalValue: Last Downloaded file found is " + newer));
  EXPECT_TRUE(sandbox.LogHas("Uncompress file: " + newer + " to " + sandbox.Folder() + "\\temp"));
  EXPECT_TRUE(sandbox.LogHas("FlushLocalValue: Success updated TSC versions."));
}

TEST(FlushLocalValue, AnUnpackedCopyIsRefreshedNotUnpacked) {
  InstallSandbox sandbox;
  sandbox.Unpack("1.0.0.1067", "618", 10);
  memory::SetNewFileDownloaded(sandbox.File("tsc_gone.zip"));
  EXPECT_TRUE(FlushLocalValue());
  EXPECT_EQ(sandbox.Setting("Version"), "1001067");
  EXPECT_EQ(sandbox.Setting("Pattern"), "618");
  EXPECT_FALSE(sandbox.LogHas("Uncompress file: "));
}

TEST(FlushLocalValue, ARecordedPackageThatIsGone) {
  InstallSandbox sandbox;
  const std::string gone = sandbox.File("tsc_gone.zip");
  memory::SetNewFileDownloaded(gone);
  EXPECT_FALSE(FlushLocalValue());
  EXPECT_TRUE(sandbox.LogHas("FlushLocalValue: No " + gone + " exist Abort"));
}

TEST(FlushLocalValue, ADamagedPackageLeavesNoToolAndTheValuesAsTheyWere) {
  InstallSandbox sandbox;
  const std::string zip = sandbox.Package("tsc.zip", "1.0.0.1067", "617", 100, At(2026, 3, 1, 10));
  std::string bytes = ReadFile(zip);
  test::WriteFile(zip, bytes.substr(0, bytes.size() / 2) + std::string(bytes.size() / 2, 'x'));
  tsc::SetVersion("123");
  memory::SetNewFileDownloaded(zip);
  EXPECT_FALSE(FlushLocalValue());
  EXPECT_TRUE(sandbox.LogHas("FlushLocalValue: error uncompress " + zip));
  EXPECT_FALSE(FileExists(sandbox.Temp("tsc.exe")));
  EXPECT_EQ(sandbox.Setting("Version"), "123");
}

TEST(FlushLocalValue, AToolWithoutVersionInformation) {
  InstallSandbox sandbox;
  test::CopyFileTo(test::BuildFolder() + "\\fixtures\\fixture_unversioned.exe", sandbox.File("tsc.exe"));
  ::CreateDirectoryA(sandbox.Temp("").c_str(), nullptr);
  test::CopyFileTo(sandbox.File("tsc.exe"), sandbox.Temp("tsc.exe"));
  memory::SetNewFileDownloaded(sandbox.File("tsc.zip"));
  EXPECT_TRUE(FlushLocalValue());
  EXPECT_EQ(sandbox.Setting("Version"), "");
  EXPECT_EQ(FileVersionDigits(sandbox.File("missing.exe")), "0");
}

TEST(ChangeTheDateToNumber, GivesFourteenDigitsOrNothing) {
  InstallSandbox sandbox;
  EXPECT_EQ(ChangeTheDateToNumber("2006-12-31 23:59:05"), "20061231235905");
  EXPECT_EQ(ChangeTheDateToNumber("2006/01/02 03:04:05"), "20060102030405");
  EXPECT_EQ(ChangeTheDateToNumber(""), "");
  EXPECT_EQ(ChangeTheDateToNumber("yesterday"), "");
  EXPECT_TRUE(sandbox.LogHas("ChangeTheDateToNumber: 13 Type mismatch=>[yesterday]/[]"));
}

}  // namespace
}  // namespace vorms
