#include <gtest/gtest.h>

#include "dll_registration.h"
#include "fixture_files.h"

namespace vorms::fslib {
namespace {

using test::FileExists;
using test::FixturePath;
using test::TempFolder;

// A fixture library copied into the test's own folder, where its entry points leave
// their marker files.
std::string CopyOfFixture(const TempFolder& folder, const std::string& name) {
  std::string copy = folder.File(name);
  test::CopyFileTo(FixturePath(name), copy);
  return copy;
}

bool Loaded(const std::string& library) { return ::GetModuleHandleA(library.c_str()) != nullptr; }

struct RegistrationCase {
  const char* fixture;  // copied into the test's folder; nullptr: the path is used as given
  const char* path;
  const char* registered;
  const char* unregistered;
};

TEST(Registration, AnswersWithTheFixedTexts) {
  const RegistrationCase cases[] = {
      {nullptr, "", "", ""},
      {"not_a_library.txt", nullptr, "File Could Not Be Loaded Into Memory Space",
       "File Could Not Be Loaded Into Memory Space"},
      {nullptr, "C:\\no\\such\\library.dll", "File Could Not Be Loaded Into Memory Space",
       "File Could Not Be Loaded Into Memory Space"},
      {"registration_absent.dll", nullptr, "Not A Valid ActiveX Component",
       "Not A Valid ActiveX Component"},
      {"registration_returns.dll", nullptr, "ActiveX/DLL Component Registered Successfully",
       "ActiveX/DLL Component UnRegistered Successfully"},
      {"registration_fails.dll", nullptr, "ActiveX Component Registration Failed",
       "ActiveX Component Registration Failed"},
  };
  TempFolder folder;
  for (const auto& c : cases) {
    std::string path = c.fixture ? CopyOfFixture(folder, c.fixture) : c.path;
    SCOPED_TRACE(path);
    EXPECT_EQ(RegisterDLL(path), c.registered);
    EXPECT_EQ(UnRegisterDLL(path), c.unregistered);
    if (!path.empty()) {
      EXPECT_FALSE(Loaded(path)) << "the library stays loaded";
    }
  }
}

TEST(Registration, RunsTheEntryPointOfEachDirection) {
  TempFolder folder;
  std::string library = CopyOfFixture(folder, "registration_returns.dll");
  ASSERT_EQ(RegisterDLL(library), "ActiveX/DLL Component Registered Successfully");
  EXPECT_TRUE(FileExists(library + ".DllRegisterServer"));
  EXPECT_FALSE(FileExists(library + ".DllUnregisterServer"));
  ASSERT_EQ(UnRegisterDLL(library), "ActiveX/DLL Component UnRegistered Successfully");
  EXPECT_TRUE(FileExists(library + ".DllUnregisterServer"));
}

// The entry point never returns and keeps running the library's code: the worker must be
// gone before the library is released, or this process crashes in unmapped code.
TEST(Registration, EndsAnEntryPointThatRunsPastTenSeconds) {
  TempFolder folder;
  std::string library = CopyOfFixture(folder, "registration_hangs.dll");
  EXPECT_EQ(RegisterDLL(library), "ActiveX Component Registration Failed");
  EXPECT_FALSE(Loaded(library));
  ::Sleep(500);  // long enough for a surviving worker to wake up in the released library
  EXPECT_TRUE(::DeleteFileA(library.c_str())) << "the library is still in use";
}

}  // namespace
}  // namespace vorms::fslib
