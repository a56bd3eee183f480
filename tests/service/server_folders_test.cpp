// The server root through the real Tavelund library (registered for this program) and
// the folder check on real folders.
#include <gtest/gtest.h>

#include "handles.h"
#include "memory_values.h"
#include "server_folders.h"
#include "settings.h"
#include "service_core_fixture.h"
#include "tavelund_fixture.h"
#include "test_support.h"

namespace vorms {
namespace {

using test::FileExists;
using test::ProgramSandbox;
using test::ServerRecord;

struct RootCase {
  const char* name;
  const char* stored;          // [OFFICESCAN] ProgramDirectory before the call
  int record;                  // 0 no key, 1 key without the value, 2 key with the value
  const char* local_path;      // the value when there is one
  const char* expected;        // "" stands for the program folder + "\PCCSRV"
};

TEST(GET_OFFICESCAN_HTTP_FOLDER, FindsTheRootAndWritesItBack) {
  const RootCase cases[] = {
      {"stored value wins, registry not read", "E:\\Stored\\PCCSRV", 2, "C:\\Registry\\PCCSRV",
       "E:\\Stored\\PCCSRV"},
      {"stored value loses one trailing backslash", "E:\\Stored\\", 0, "", "E:\\Stored"},
      {"registry value", "", 2, "C:\\Program Files\\OfficeScan\\PCCSRV", "C:\\Program Files\\OfficeScan\\PCCSRV"},
      {"one trailing backslash removed", "", 2, "C:\\OSCE\\PCCSRV\\", "C:\\OSCE\\PCCSRV"},
      {"never two", "", 2, "C:\\OSCE\\PCCSRV\\\\", "C:\\OSCE\\PCCSRV\\"},
      {"key without the value", "", 1, "", ""},
      {"no key", "", 0, "", ""},
  };
  for (const RootCase& c : cases) {
    SCOPED_TRACE(c.name);
    ProgramSandbox sandbox;
    ServerRecord record;
    if (c.record >= 1) record.CreateKey();
    if (c.record == 2) record.SetLocalPath(c.local_path);
    if (*c.stored) WriteSetting("OFFICESCAN", "ProgramDirectory", c.stored, sandbox.Ini());

    const std::string expected = *c.expected ? c.expected : sandbox.File("PCCSRV");
    EXPECT_EQ(GET_OFFICESCAN_HTTP_FOLDER(), expected);
    EXPECT_EQ(ReadSetting("OFFICESCAN", "ProgramDirectory", sandbox.Ini()), expected);
    EXPECT_FALSE(FileExists(sandbox.File("events.log"))) << "no error reported";
  }
}

TEST(GET_OFFICESCAN_HTTP_FOLDER, WithoutTheRegistryLibraryReportsTheErrorAndGivesNoRoot) {
  ProgramSandbox sandbox;
  sandbox.SetNow({2004, 8, 12, 21, 50, 44});
  ASSERT_EQ(test::UnregisterLibrary(), 0u);
  const std::string root = GET_OFFICESCAN_HTTP_FOLDER();
  ASSERT_EQ(test::RegisterLibrary(), 0u);

  EXPECT_EQ(root, "");
  EXPECT_EQ(test::ReadLines(sandbox.File("events.log")),
            std::vector<std::string>{"2004-08-12 21:50:44 GET_OFFICESCAN_HTTP_FOLDER: Error 429 "
                                     "ActiveX component can't create object: 2"});
  EXPECT_EQ(ReadSetting("OFFICESCAN", "ProgramDirectory", sandbox.Ini()), "");
}

class VerifRoot : public testing::Test {
 protected:
  void SetUp() override { memory::SetLogsEnabled(1); }
  std::string Base(const std::string& sub) const { return sandbox_.File(sub); }
  bool IsFolder(const std::string& sub) const {
    DWORD a = ::GetFileAttributesA(Base(sub).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
  }
  // The message part of each vorms.log line.
  std::vector<std::string> Logged() const {
    std::vector<std::string> lines = test::ReadLines(sandbox_.File("vorms.log"));
    for (auto& line : lines) line = line.substr(line.find(']') + 1);
    return lines;
  }

  ProgramSandbox sandbox_;
};

TEST_F(VerifRoot, CreatesEveryMissingLevel) {
  ASSERT_TRUE(::CreateDirectoryA(Base("A").c_str(), nullptr));
  verifRoot(Base("A\\B\\C"));
  EXPECT_TRUE(IsFolder("A\\B"));
  EXPECT_TRUE(IsFolder("A\\B\\C"));
  EXPECT_EQ(Logged(), std::vector<std::string>{"VerifRoot: Testing Folder [" + Base("A\\B\\C") + "]"});
}

TEST_F(VerifRoot, SkipsFileNamesAndComponentsWithADot) {
  verifRoot(Base("A\\tsc.zip"));
  EXPECT_TRUE(IsFolder("A"));
  EXPECT_FALSE(FileExists(Base("A\\tsc.zip")));

  verifRoot(Base("A.old\\B"));
  EXPECT_FALSE(FileExists(Base("A.old")));
  EXPECT_TRUE(IsFolder("B")) << "later components follow the running path without the dotted one";

  verifRoot(Base("C\\"));  // a trailing backslash leaves an empty last component
  EXPECT_TRUE(IsFolder("C"));
}

TEST_F(VerifRoot, LeavesAFileOfAComponentsNameAloneAndLogsWhereTheWalkStopped) {
  test::WriteFile(Base("F"), "a file");
  verifRoot(Base("F\\G"));
  EXPECT_EQ(test::ReadFile(Base("F")), "a file");
  const auto logged = Logged();
  ASSERT_EQ(logged.size(), 2u);
  EXPECT_EQ(logged[1].rfind("verifRoot: Error ", 0), 0u) << logged[1];
}

TEST_F(VerifRoot, RefusesTextsThatAreNotDrivePaths) {
  verifRoot("temp");
  EXPECT_EQ(Logged(), std::vector<std::string>{
                          "verifRoot: Error 1 VerifRoot: There is no path sended to this function"});

  for (const char* path : {"\\\\server\\share\\vorms", "\\temp\\vorms", "temp\\vorms"}) {
    SCOPED_TRACE(path);
    ::DeleteFileA(sandbox_.File("vorms.log").c_str());
    verifRoot(path);
    EXPECT_EQ(Logged(), (std::vector<std::string>{
                            std::string("VerifRoot: Testing Folder [") + path + "]",
                            std::string("verifRoot: Error 1 VerifRoot: Only paths that begin with a "
                                        "drive letter, a colon and a backslash are supported [") +
                                path + "]"}));
  }
}

}  // namespace
}  // namespace vorms
