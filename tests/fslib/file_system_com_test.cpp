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

// The universal time of a local date.
ULONGLONG TimeOfDate(DATE date) {
  SYSTEMTIME local{};
  EXPECT_TRUE(::VariantTimeToSystemTime(date, &local));
  FILETIME local_time, universal;
  ::SystemTimeToFileTime(&local, &local_time);
  ::LocalFileTimeToFileTime(&local_time, &universal);
  return (static_cast<ULONGLONG>(universal.dwHighDateTime) << 32) | universal.dwLowDateTime;
}

// A file whose three dates lie in 2001.
void MakeOldFile(const std::string& path) {
  test::WriteFile(path, "tool");
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  SYSTEMTIME old{2001, 2, 0, 3, 4, 5, 6, 0};
  FILETIME time;
  ::SystemTimeToFileTime(&old, &time);
  ::SetFileTime(file.get(), &time, &time, &time);
}

// A caller's variable of one type: the value it holds and a typed reference to it.
struct Variable {
  explicit Variable(VARTYPE type) {
    V_VT(held.get()) = type;
    V_VT(reference.get()) = VT_BYREF | type;
    V_BYREF(reference.get()) = &V_UI1(held.get());  // where every such type's value lies
  }
  Variant held, reference;
};

class DateVariables : public FileSystemThroughCom,
                      public testing::WithParamInterface<bool> {
 protected:
  // FILE_CHANGE_DATE_TO_NOW on a file of the test's folder, through the function table
  // or, for the second parameter, through IDispatch; the method's code.
  HRESULT ChangeDateAs(const std::string& name, VARIANT* date) {
    const std::string path = folder_.File(name);
    if (!GetParam()) {
      Bstr file = ToBstr(path);
      VARIANT_BOOL changed = VARIANT_FALSE;
      return fs_->FILE_CHANGE_DATE_TO_NOW(file.inout(), date, &changed);
    }
    ComPtr<IDispatch> object = test::CreateObject<IDispatch>(CLSID_FileSystem);
    Variant file = test::Text(path);
    return test::DispatchCall(object.get(), 0x6003000D, {file.get(), date});
  }
};

TEST_P(DateVariables, ADateOrTextVariableReceivesTheStampInItsOwnType) {
  const std::string file = folder_.File("tsc.exe");
  MakeOldFile(file);

  Variable date(VT_DATE);
  ASSERT_EQ(ChangeDateAs("tsc.exe", date.reference.get()), S_OK);
  EXPECT_EQ(date.reference.type(), VT_BYREF | VT_DATE) << "the argument still refers to it";
  for (ULONGLONG time : TimesOf(file)) EXPECT_EQ(time, TimeOfDate(V_DATE(date.held.get())));

  Variable text(VT_BSTR);
  V_BSTR(text.held.get()) = ToBstr("as passed").release();
  ASSERT_EQ(ChangeDateAs("tsc.exe", text.reference.get()), S_OK);
  EXPECT_EQ(text.reference.type(), VT_BYREF | VT_BSTR);
  EXPECT_EQ(TimeOfStamp(FromBstr(V_BSTR(text.held.get()))), TimesOf(file)[0]);

  // A VARIANT variable that holds a date reference passes the stamp on to the date.
  Variable further(VT_DATE);
  Variant variable;
  V_VT(variable.get()) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(variable.get()) = further.reference.get();
  ASSERT_EQ(ChangeDateAs("tsc.exe", variable.get()), S_OK);
  EXPECT_EQ(further.reference.type(), VT_BYREF | VT_DATE);
  EXPECT_EQ(TimeOfDate(V_DATE(further.held.get())), TimesOf(file)[0]);
}

TEST_P(DateVariables, AVariableThatCannotHoldTheStampIsATypeMismatchAndTheFileKeepsItsDates) {
  const std::string file = folder_.File("tsc.exe");
  MakeOldFile(file);
  const std::vector<ULONGLONG> old = TimesOf(file);

  Variable number(VT_I4);
  V_I4(number.held.get()) = 42;
  EXPECT_EQ(ChangeDateAs("tsc.exe", number.reference.get()), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(number.reference.type(), VT_BYREF | VT_I4);
  EXPECT_EQ(V_I4(number.held.get()), 42);

  Variable flag(VT_BOOL);
  EXPECT_EQ(ChangeDateAs("tsc.exe", flag.reference.get()), DISP_E_TYPEMISMATCH);

  Variable bytes(VT_ARRAY | VT_UI1);
  V_ARRAY(bytes.held.get()) = ::SafeArrayCreateVector(VT_UI1, 0, 0);
  EXPECT_EQ(ChangeDateAs("tsc.exe", bytes.reference.get()), DISP_E_TYPEMISMATCH)
      << "an array variable receives no text";

  Variant loop;  // a VARIANT reference to itself leads to no variable at all
  V_VT(loop.get()) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(loop.get()) = loop.get();
  EXPECT_EQ(ChangeDateAs("tsc.exe", loop.get()), DISP_E_TYPEMISMATCH);

  EXPECT_EQ(TimesOf(file), old);
}

INSTANTIATE_TEST_SUITE_P(Calls, DateVariables, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& call) {
                           return call.param ? "ThroughIDispatch" : "ThroughTheFunctionTable";
                         });

TEST_F(FileSystemThroughCom, StampsAFileWhenTheDateArgumentIsLeftOut) {
  test::WriteFile(folder_.File("tsc.ptn"), "pattern");
  Variant left_out = test::LeftOut();
  EXPECT_TRUE(ChangeDate("tsc.ptn", left_out.get()));
  EXPECT_EQ(left_out.type(), VT_ERROR);
}

}  // namespace
}  // namespace vorms::fslib
