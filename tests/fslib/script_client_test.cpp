// Ostrilen from VBScript: created by ProgID and called by name through IDispatch, as
// automation clients use it. Typed by-reference parameters take expressions (a bare
// variable would be passed as a VARIANT reference); NewDateCreated takes a variable.
#include <gtest/gtest.h>

#include <regex>

#include "fixture_files.h"
#include "ostrilen_client.h"

namespace vorms::fslib {
namespace {

using test::TempFolder;

std::vector<std::string> RunScript(const TempFolder& folder, const std::string& script) {
  std::string path = folder.File("client.vbs");
  test::WriteFile(path, script);
  test::ProcessResult run = test::RunProcess("cscript //nologo \"" + path + "\"");
  EXPECT_EQ(run.exit_code, 0u) << run.output << run.error;
  std::vector<std::string> lines;
  std::istringstream in(run.output);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

TEST(ScriptClient, CallsBothClassesByName) {
  TempFolder folder;
  test::WriteFile(folder.File("tsc.exe"), "tool");
  const std::string script =
      "Set fs = CreateObject(\"Ostrilen.FileSystem\")\r\n"
      "versioned = \"" + test::FixturePath("fixture_versioned.exe") + "\"\r\n"
      "WScript.Echo fs.Get_File_FileVersion((versioned))\r\n"
      "WScript.Echo \"[\" & fs.Get_File_ProductVersion((versioned)) & \"]\"\r\n"
      "stamp = \"before\"\r\n"
      "WScript.Echo CStr(fs.FILE_CHANGE_DATE_TO_NOW(\"" + folder.File("tsc.exe") + "\", stamp))\r\n"
      "WScript.Echo stamp\r\n"
      "kept = \"kept\"\r\n"
      "WScript.Echo CStr(fs.FILE_CHANGE_DATE_TO_NOW(\"" + folder.File("missing.exe") + "\", kept))\r\n"
      "WScript.Echo kept\r\n"
      "WScript.Echo CStr(fs.FILE_CHANGE_DATE_TO_NOW(\"" + folder.File("tsc.exe") + "\"))\r\n"
      "Set ip = CreateObject(\"Ostrilen.tcpip\")\r\n"
      "WScript.Echo ip.GetHostFromIP(\"abc\")\r\n"
      "WScript.Echo TypeName(ip.GET_PORTS_SCANNER_ALL(7))\r\n"
      "WScript.Echo Left(ip.GET_PORTS_SCANNER_ALL(0), 16)\r\n";
  std::vector<std::string> lines = RunScript(folder, script);
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[0], "5.1.2600.0");
  EXPECT_EQ(lines[1], "[ 5.1]");
  EXPECT_EQ(lines[2], "True");
  EXPECT_TRUE(std::regex_match(lines[3], std::regex(R"(\d{1,2}/\d{1,2}/\d{4}  \d{1,2}:\d{1,2}:\d{1,2})")))
      << lines[3];
  EXPECT_EQ(lines[4], "False");
  EXPECT_EQ(lines[5], "kept");
  EXPECT_EQ(lines[6], "True");
  EXPECT_EQ(lines[7], "Invalid IP.");
  EXPECT_EQ(lines[8], "Empty");
  EXPECT_EQ(lines[9], "Local IP.......|");
}

}  // namespace
}  // namespace vorms::fslib
