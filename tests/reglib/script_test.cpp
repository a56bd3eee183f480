// Both classes from VBScript, run by cscript: created by ProgID, called by name through
// IDispatch, lists and byte arrays included. Scripts pass a typed by-reference parameter
// an expression, or (x), since a bare variable arrives as a VARIANT reference.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tavelund_fixture.h"
#include "test_support.h"

namespace vorms::test {
namespace {

// Runs the script with the test key's path as its argument; its output lines.
std::vector<std::string> RunScript(const std::string& script, const TestKey& key) {
  TempFolder folder("script");
  const std::string file = folder.File("test.vbs");
  WriteFile(file, "Const HKCU = &H80000001\r\nDim path\r\npath = WScript.Arguments(0)\r\n" + script);
  ProcessResult result = RunProcess("cscript.exe //nologo \"" + file + "\" \"" + key.path() + "\"");
  EXPECT_FALSE(result.timed_out);
  EXPECT_EQ(result.error, "");
  WriteFile(folder.File("output.txt"), result.output);
  return ReadLines(folder.File("output.txt"));
}

TEST(Script, sRegistriesByName) {
  TestKey key;
  key.SetText("Name", "X", "Values");
  key.SetText(key.Below("Values"), "named like the path", "Values");
  key.Create("Sub");
  const std::vector<std::string> output = RunScript(R"(
Set r = CreateObject("Tavelund.sRegistries")
WScript.Echo CStr(r.WriteRegKey(4, HKCU, path & "\New", "Count", "5"))
WScript.Echo r.ReadRegKey(HKCU, path & "\New", "Count")
WScript.Echo r.ReadRegKey(HKCU, path & "\Values", "Name")
WScript.Echo "[" & r.ReadRegKey(HKCU, path & "\Missing", "Name") & "]"
WScript.Echo r.ReadRegKey(HKCU, path & "\Missing", "Name", "none")
WScript.Echo r.EnumerateRegKeys(HKCU, (path))
Dim name
name = ""
WScript.Echo CStr(r.DeleteRegKeyValue(HKCU, path & "\Values", name))
WScript.Echo name
WScript.Echo r.EnumerateRegKeyValues(HKCU, path & "\Values")
WScript.Echo CStr(r.DeleteRegKey(HKCU, (path), "New"))
)",
                                                    key);
  const std::vector<std::string> expected = {
      "True", "5", "X", "[]", "none", "New,Sub,Values", "True", key.Below("Values"), "Name*X", "True",
  };
  EXPECT_EQ(output, expected);
  EXPECT_FALSE(key.Exists("New"));
}

TEST(Script, AnUnwritableLogIsAScriptErrorWithItsNumberAndDescription) {
  TestKey key;
  ::DeleteFileA(LibraryLog().c_str());
  ::CreateDirectoryA(LibraryLog().c_str(), nullptr);
  const std::vector<std::string> output = RunScript(R"(
Set r = CreateObject("Tavelund.sRegistries")
On Error Resume Next
r.Writelogs "lost"
WScript.Echo Err.Number & " " & Err.Description & " " & Err.Source
)",
                                                    key);
  ::RemoveDirectoryA(LibraryLog().c_str());
  EXPECT_EQ(output, std::vector<std::string>{"70 Permission denied Tavelund"});
}

TEST(Script, RegSzListsAndArraysByName) {
  TestKey key;
  key.Set("Stored", REG_BINARY, "\x01\x02\xFF");
  key.Create("B");
  key.Create("A");
  const std::vector<std::string> output = RunScript(R"(
Set z = CreateObject("Tavelund.RegSz")
WScript.Echo z.SetValue(HKCU, (path), "Multi", Array("a", "b"))
v = z.GetValue(HKCU, (path), "Multi", Empty)
WScript.Echo TypeName(v) & " " & UBound(v) & " " & v(0) & "," & v(1)
WScript.Echo z.SetValue(HKCU, (path), "Count", 5)
WScript.Echo z.SetValue(HKCU, (path), "Ratio", 1.5)
WScript.Echo z.GetValue(HKCU, (path), "Count", Empty) + 1
WScript.Echo z.GetValue(HKCU, (path), "Ratio", "none")
k = z.EnumKeys(HKCU, path)
WScript.Echo UBound(k) & " [" & k(0) & "] " & k(1) & " " & k(2)
n = z.EnumValues(HKCU, (path), 4)
WScript.Echo UBound(n) & " [" & n(0) & "] " & n(1)
WScript.Echo z.SetValue(HKCU, (path), "Written", Array(CByte(1), CByte(0), CByte(200)))
b = z.GetValue(HKCU, (path), "Stored", Empty)
WScript.Echo UBound(b) & " " & TypeName(b(0)) & " " & b(0) & " " & b(1) & " " & b(2)
WScript.Echo z.SetValue(HKCU, (path), "Copy", b)
WScript.Echo CStr(z.KeyExists(HKCU, path & "\A")) & " " & z.DeleteValue(HKCU, path, "Count")
)",
                                                    key);
  const std::vector<std::string> expected = {
      "0", "Variant() 1 a,b", "0", "0", "6", "none", "2 [] A B", "1 [] Count", "0",
      "2 Byte 1 2 255", "0", "True 0",
  };
  EXPECT_EQ(output, expected);
  EXPECT_EQ(key.Get("Multi").bytes, std::string("a\0b\0\0", 5));
  EXPECT_EQ(key.Get("Written").type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(key.Get("Written").bytes, std::string("\x01\0\xC8", 3));
  EXPECT_EQ(key.Get("Copy").type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(key.Get("Copy").bytes, "\x01\x02\xFF");
  EXPECT_FALSE(key.Get("Ratio").exists);
  EXPECT_FALSE(key.Get("Count").exists);
}

}  // namespace
}  // namespace vorms::test
