// Ostrilen's classes called by careless clients through IDispatch (dispatch_fuzz.h). The
// calls stay harmless: every file or folder argument is the test's folder or a file in
// it; RegisterDLL and UnRegisterDLL only get names of files that are no libraries (they
// would run any library's registration); Ping only gets texts that are no address, so it
// sends nothing; the name lookups only ask for localhost, a name of the reserved .invalid
// domain and 127.0.0.1 (anything else may wait on a name server).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dispatch_fuzz.h"
#include "fixture_files.h"
#include "ostrilen_client.h"

namespace vorms::test {
namespace {

constexpr int kDefaultRounds = 150;

TEST(DispatchFuzz, BothClassesAnswerCarelessCallsWithoutCrashOrLeak) {
  TempFolder folder("fuzz");
  WriteFile(folder.File("text.txt"), "no library");
  WriteFile(folder.File("lpt$vpn.123"), "");
  CopyFileTo(FixturePath("fixture_versioned.exe"), folder.File("versioned.exe"));
  const FuzzParameter any;
  const FuzzParameter receiving{{}, {}, true};
  const FuzzParameter path{{folder.path(), folder.File("versioned.exe"), folder.File("text.txt"),
                            folder.File("missing.exe"), ""},
                           {}};
  const FuzzParameter no_library{{folder.File("text.txt"), folder.File("missing.dll"), ""}, {}};
  const FuzzParameter no_address{{"abc", "localhost", "no such host", std::string(300, 'h')}, {}};
  const FuzzParameter host{{"localhost", "abc", "no-such-host.invalid"}, {}};
  const FuzzParameter address{{"127.0.0.1", "abc", ""}, {}};

  ComPtr<IDispatch> fs = CreateObject<IDispatch>(CLSID_FileSystem);
  ComPtr<IDispatch> ip = CreateObject<IDispatch>(CLSID_tcpip);
  ASSERT_TRUE(fs && ip);
  const std::vector<FuzzTarget> targets = {
      {"FileSystem", fs.get(),
       {
           {"Get_File_FileVersion", 0x60030000, {path}},
           {"PatternFolderVersion", 0x60030001, {path}},
           {"OperatingSystemType", 0x60030002, {}},
           {"Get_File_ProductVersion", 0x60030003, {path}},
           {"Get_FileInfo_Version", 0x60030004, {path}},
           {"Get_File_Private_Build", 0x60030005, {path}},
           {"Get_File_Special_build", 0x60030006, {path}},
           {"MEMORY_GET_FROM_PROCESS", 0x60030007, {any}, 10},  // visits every process
           {"MEMORY_GET_FROM_OS", 0x60030008, {}},
           {"OperatingSystem_IFitIsFrench", 0x60030009, {}},
           {"RegisterDLL", 0x6003000A, {no_library}},
           {"UnRegisterDLL", 0x6003000B, {no_library}},
           {"GET_SYSTEM32_FOLDER", 0x6003000C, {}},
           {"FILE_CHANGE_DATE_TO_NOW", 0x6003000D, {path, receiving}},
       }},
      {"tcpip", ip.get(),
       {
           {"Ping", 0x60030000, {no_address}},
           {"GetIpFromHost", 0x60030001, {host}},
           {"GET_PORTS_SCANNER_ALL", 0x60030002, {any}, 3},  // reads the whole TCP table
           {"GetHostFromIP", 0x60030003, {address}},
       }},
  };

  FuzzThroughDispatch(targets, kDefaultRounds);
}

}  // namespace
}  // namespace vorms::test
