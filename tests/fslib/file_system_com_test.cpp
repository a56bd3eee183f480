// FileSystem through COM: created by class id and called through its function table, as
// Vorms calls it. The behaviour behind each method has its own tests; these show that
// every method reaches it with its arguments and hands its answer back.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "fixture_files.h"
#include "machine_facts.h"
#include "ostrilen_client.h"

namespace vorms::fslib {
namespace {

using test::FixturePath;
using test::TempFolder;

class FileSystemThroughCom : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(fs_); }

  using TextMethod = HRESULT (STDMETHODCALLTYPE _FileSystem::*)(BSTR*, BSTR*);
  using NoArgumentMethod = HRESULT (STDMETHODCALLTYPE _FileSystem::*)(BSTR*);

  std::string Call(TextMethod method, const std::string& argument) {
    Bstr in = ToBstr(argument), result;
    EXPECT_EQ((fs_.get()->*method)(in.inout(), result.receive()), S_OK);
    EXPECT_EQ(FromBstr(in.get()), argument) << "the argument came back changed";
    return FromBstr(result.get());
  }
  // FILE_CHANGE_DATE_TO_NOW on a file of the test's folder; whether it changed the dates.
  bool ChangeDate(const std::string& name, VARIANT* date) {
    Bstr path = ToBstr(folder_.File(name));
    VARIANT_BOOL changed = VARIANT_FALSE;
    EXPECT_EQ(fs_->FILE_CHANGE_DATE_TO_NOW(path.inout(), date, &changed), S_OK);
    return changed == VARIANT_TRUE;
  }
  std::string Call(NoArgumentMethod method) {
    Bstr result;
    EXPECT_EQ((fs_.get()->*method)(result.receive()), S_OK);
    return FromBstr(result.get());
  }

  ComPtr<_FileSystem> fs_ = test::CreateObject<_FileSystem>(CLSID_FileSystem);
  TempFolder folder_;
};

TEST_F(FileSystemThroughCom, VersionGettersReadTheFile) {
  Bstr file = ToBstr(FixturePath("fixture_versioned.exe"));
  Variant version;
  ASSERT_EQ(fs_->Get_File_FileVersion(file.inout(), version.receive()), S_OK);
  ASSERT_EQ(version.type(), VT_BSTR);
  EXPECT_EQ(FromBstr(V_BSTR(version.get())), "5.1.2600.0");

  const std::string versioned = FixturePath("fixture_versioned.exe");
  EXPECT_EQ(Call(&_FileSystem::Get_File_ProductVersion, versioned), " 5.1");
  EXPECT_EQ(Call(&_FileSystem::Get_File_Private_Build, versioned), " private 7 ");
  EXPECT_EQ(Call(&_FileSystem::Get_File_Special_build, versioned), "special 3");
  EXPECT_EQ(Call(&_FileSystem::Get_FileInfo_Version, FixturePath("fixture_no_special_build.exe")),
            "2.7.65535.12");
  EXPECT_EQ(Call(&_FileSystem::Get_FileInfo_Version, folder_.File("missing.exe")), "");
}

TEST_F(FileSystemThroughCom, AnswersAboutFoldersAndTheMachine) {
  test::WriteFile(folder_.File("lpt$vpn.101"), "");
  test::WriteFile(folder_.File("lpt$vpn.123"), "");
  EXPECT_EQ(Call(&_FileSystem::PatternFolderVersion, folder_.path()), "123");
  EXPECT_EQ(Call(&_FileSystem::OperatingSystemType), "NT");
  EXPECT_EQ(Call(&_FileSystem::MEMORY_GET_FROM_OS), MEMORY_GET_FROM_OS());
  EXPECT_EQ(Call(&_FileSystem::GET_SYSTEM32_FOLDER), GET_SYSTEM32_FOLDER());
  VARIANT_BOOL french = 1;
  ASSERT_EQ(fs_->OperatingSystem_IFitIsFrench(&french), S_OK);
  EXPECT_EQ(french, OperatingSystem_IFitIsFrench() ? VARIANT_TRUE : VARIANT_FALSE);
}

TEST_F(FileSystemThroughCom, FindsTheMemoryOfAStartedProgram) {
  test::BackgroundProcess holder(FixturePath("fixture_versioned.exe") + " hold 16");
  std::string kilobytes;
  EXPECT_TRUE(test::WaitFor([&] {
    kilobytes = Call(&_FileSystem::MEMORY_GET_FROM_PROCESS, " fixture_VERSIONED.EXE ");
    return !kilobytes.empty() && std::stoll(kilobytes) >= 16 * 1024;
  })) << kilobytes;
}

TEST_F(FileSystemThroughCom, RegistersAndUnregistersALibrary) {
  std::string library = folder_.File("registration_returns.dll");
  test::CopyFileTo(FixturePath("registration_returns.dll"), library);
  EXPECT_EQ(Call(&_FileSystem::RegisterDLL, library),
            "ActiveX/DLL Component Registered Successfully");
  EXPECT_EQ(Call(&_FileSystem::UnRegisterDLL, library),
            "ActiveX/DLL Component UnRegistered Successfully");
  EXPECT_TRUE(test::FileExists(library + ".DllUnregisterServer"));
  EXPECT_EQ(Call(&_FileSystem::RegisterDLL, ""), "");
}

// The three file times, in universal time.
std::vector<ULONGLONG> TimesOf(const std::string& path) {
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  FILETIME t[3];
  ::GetFileTime(file.get(), &t[0], &t[1], &t[2]);
  std::vector<ULONGLONG> times;
  for (const FILETIME& f : t) {
    times.push_back((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime);
  }
  return times;
}

ULONGLONG NowToTheSecond() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return ticks - ticks % 10000000;
}

// The universal time of a "d/m/yyyy  h:m:s" local text.
ULONGLONG TimeOfStamp(const std::string& stamp) {
  SYSTEMTIME local{};
  int d, mo, y, h, mi, s;
  EXPECT_EQ(std::sscanf(stamp.c_str(), "%d/%d/%d  %d:%d:%d", &d, &mo, &y, &h, &mi, &s), 6);
  local = {static_cast<WORD>(y), static_cast<WORD>(mo), 0, static_cast<WORD>(d),
           static_cast<WORD>(h), static_cast<WORD>(mi), static_cast<WORD>(s), 0};
  FILETIME local_time, universal;
  ::SystemTimeToFileTime(&local, &local_time);
  ::LocalFileTimeToFileTime(&local_time, &universal);
  return (static_cast<ULONGLONG>(universal.dwHighDateTime) << 32) | universal.dwLowDateTime;
}

TEST_F(FileSystemThroughCom, StampsAFileAndHandsTheDateTextBack) {
  test::WriteFile(folder_.File("tsc.exe"), "tool");
  Variant stamp = test::Text("as passed");
  ULONGLONG before = NowToTheSecond();
  EXPECT_TRUE(ChangeDate("tsc.exe", stamp.get()));
  ULONGLONG after = NowToTheSecond();
  ASSERT_EQ(stamp.type(), VT_BSTR);
  const std::string text = FromBstr(V_BSTR(stamp.get()));
  EXPECT_TRUE(std::regex_match(text, std::regex(R"([1-9]\d?/[1-9]\d?/\d{4}  [1-9]?\d:[1-9]?\d:[1-9]?\d)")))
      << text;
  for (ULONGLONG time : TimesOf(folder_.File("tsc.exe"))) {
    EXPECT_EQ(time, TimeOfStamp(text));
    EXPECT_GE(time, before);
    EXPECT_LE(time, after);
  }
}

TEST_F(FileSystemThroughCom, LeavesTheDateArgumentAsItWasForAMissingFile) {
  Variant stamp = test::Long(42);
  EXPECT_FALSE(ChangeDate("missing.exe", stamp.get()));
  EXPECT_EQ(stamp.type(), VT_I4);
  EXPECT_EQ(V_I4(stamp.get()), 42);
}

TEST_F(FileSystemThroughCom, StampsAFileWhenTheDateArgumentIsLeftOut) {
  test::WriteFile(folder_.File("tsc.ptn"), "pattern");
  Variant left_out = test::LeftOut();
  EXPECT_TRUE(ChangeDate("tsc.ptn", left_out.get()));
  EXPECT_EQ(left_out.type(), VT_ERROR);
}

}  // namespace
}  // namespace vorms::fslib
