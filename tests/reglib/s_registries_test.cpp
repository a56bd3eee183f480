// sRegistries from a C++ client through the function table, as the service calls it:
// created by class id, called through _sRegistries, released.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "com_text.h"
#include "tavelund_fixture.h"
#include "test_support.h"

namespace vorms::test {
namespace {

bool Flag(VARIANT_BOOL value) {
  EXPECT_TRUE(value == VARIANT_TRUE || value == VARIANT_FALSE) << value;
  return value == VARIANT_TRUE;
}

// Every call as the function table takes it: the root and the texts by reference.
class Registries {
 public:
  Registries() : object_(CreateObject<_sRegistries>(CLSID_sRegistries)) {
    EXPECT_TRUE(object_) << "Tavelund.sRegistries is not registered";
  }

  bool ExportRegKey(const std::string& path, const std::string& file) {
    LONG root = kCurrentUser;
    Bstr key = ToBstr(path), name = ToBstr(file);
    VARIANT_BOOL result = VARIANT_FALSE;
    EXPECT_EQ(object_->ExportRegKey(&root, key.inout(), name.inout(), &result), S_OK);
    return Flag(result);
  }
  bool ImportRegKey(const std::string& path, const std::string& file) {
    LONG root = kCurrentUser;
    Bstr key = ToBstr(path), name = ToBstr(file);
    VARIANT_BOOL result = VARIANT_FALSE;
    EXPECT_EQ(object_->ImportRegKey(&root, key.inout(), name.inout(), &result), S_OK);
    return Flag(result);
  }
  std::string ReadRegKey(const std::string& path, const std::string& value_name,
                         Variant no_key_found_value = LeftOut()) {
    LONG root = kCurrentUser;
    Bstr key = ToBstr(path), name = ToBstr(value_name), result;
    EXPECT_EQ(object_->ReadRegKey(&root, key.inout(), name.inout(), no_key_found_value.get(),
                                  result.receive()),
              S_OK);
    return FromBstr(result.get());
  }
  bool WriteRegKey(LONG type, const std::string& path, const std::string& value_name,
                   const std::string& value) {
    LONG root = kCurrentUser;
    Bstr key = ToBstr(path), name = ToBstr(value_name), data = ToBstr(value);
    VARIANT_BOOL result = VARIANT_FALSE;
    EXPECT_EQ(object_->WriteRegKey(&type, &root, key.inout(), name.inout(), data.inout(), &result),
              S_OK);
    return Flag(result);
  }
  std::string EnumerateRegKeys(const std::string& path) {
    LONG root = kCurrentUser;
    Bstr key = ToBstr(path), result;
    EXPECT_EQ(object_->EnumerateRegKeys(&root, key.inout(), result.receive()), S_OK);
    return FromBstr(result.get());
  }
  std::string EnumerateRegKeyValues(const std::string& path) {
    LONG root = kCurrentUser;
    Bstr key = ToBstr(path), result;
    EXPECT_EQ(object_->EnumerateRegKeyValues(&root, key.inout(), result.receive()), S_OK);
    return FromBstr(result.get());
  }
  bool DeleteRegKey(const std::string& path, const std::string& sub_key) {
    LONG root = kCurrentUser;
    Bstr key = ToBstr(path), sub = ToBstr(sub_key);
    VARIANT_BOOL result = VARIANT_FALSE;
    EXPECT_EQ(object_->DeleteRegKey(&root, key.inout(), sub.inout(), &result), S_OK);
    return Flag(result);
  }
  bool DeleteRegKeyValue(const std::string& path, VARIANT* value_name) {
    LONG root = kCurrentUser;
    Bstr key = ToBstr(path);
    VARIANT_BOOL result = VARIANT_FALSE;
    EXPECT_EQ(object_->DeleteRegKeyValue(&root, key.inout(), value_name, &result), S_OK);
    return Flag(result);
  }
  HRESULT Writelogs(const std::string& text, Variant& result) {
    Bstr logs = ToBstr(text);
    return object_->Writelogs(logs.inout(), result.receive());
  }

 private:
  ComPtr<_sRegistries> object_;
};

struct ReadCase {
  const char* what;
  DWORD type;
  std::string data;
  const char* expected;
};

TEST(ReadRegKey, GivesTextValuesAndEveryOtherTypeAsItsFirstFourBytesInDecimal) {
  const ReadCase cases[] = {
      {"text", REG_SZ, std::string("X\0", 2), "X"},
      {"text up to its first zero", REG_SZ, std::string("ab\0cd\0", 6), "ab"},
      {"empty text", REG_SZ, std::string("\0", 1), ""},
      {"double word 1", REG_DWORD, Dword(1), "1"},
      {"negative double word", REG_DWORD, Dword(-5), "-5"},
      {"one byte", REG_BINARY, "\xC8", "200"},
      {"eight bytes (only four fit the number)", REG_BINARY, "\x01\x02\x03\x04\x05\x06\x07\x08",
       "67305985"},
      {"long multi-string", REG_MULTI_SZ, std::string("abcdefgh\0\0", 10), "1684234849"},
  };
  TestKey key;
  Registries registries;
  for (const ReadCase& c : cases) {
    key.Set("Value", c.type, c.data);
    EXPECT_EQ(registries.ReadRegKey(key.path(), "Value", Text("unused")), c.expected) << c.what;
  }
}

TEST(ReadRegKey, AMissingKeyGivesNoKeyFoundValueAndAMissingValueEmptyText) {
  TestKey key;
  Registries registries;
  EXPECT_EQ(registries.ReadRegKey(key.Below("Missing"), "Value", Text("not found")), "not found");
  EXPECT_EQ(registries.ReadRegKey(key.Below("Missing"), "Value"), "") << "left out: empty text";
  EXPECT_EQ(registries.ReadRegKey(key.Below("Missing"), "Value", Long(42)), "42");
  EXPECT_EQ(registries.ReadRegKey(key.path(), "Missing", Text("not found")), "");
}

TEST(ReadRegKey, ANoKeyFoundValueThatIsNoTextIsATypeMismatch) {
  TestKey key;
  ComPtr<_sRegistries> object = CreateObject<_sRegistries>(CLSID_sRegistries);
  LONG root = kCurrentUser;
  Bstr path = ToBstr(key.Below("Missing")), name = ToBstr("Value"), result;
  Variant null;
  V_VT(null.get()) = VT_NULL;
  EXPECT_EQ(object->ReadRegKey(&root, path.inout(), name.inout(), null.get(), result.receive()),
            DISP_E_TYPEMISMATCH);
}

struct WriteCase {
  LONG key_type;
  const char* value;
  RawValue expected;
};

TEST(WriteRegKey, CreatesTheKeyAndWritesByKeyTypeWithBadNumbersAsZero) {
  const WriteCase cases[] = {
      {REG_SZ, "hello", {true, REG_SZ, std::string("hello\0", 6)}},
      {REG_DWORD, "42", {true, REG_DWORD, Dword(42)}},
      {REG_DWORD, " -7 ", {true, REG_DWORD, Dword(-7)}},
      {REG_DWORD, "abc", {true, REG_DWORD, Dword(0)}},
      {REG_DWORD, "99999999999", {true, REG_DWORD, Dword(0)}},
      {REG_BINARY, "200", {true, REG_BINARY, "\xC8"}},
      {REG_BINARY, "256", {true, REG_BINARY, std::string(1, '\0')}},
      {REG_BINARY, "-1", {true, REG_BINARY, std::string(1, '\0')}},
      {REG_BINARY, "1.5", {true, REG_BINARY, std::string(1, '\0')}},
      {REG_EXPAND_SZ, "other types write nothing", {false, REG_NONE, ""}},
  };
  Registries registries;
  for (const WriteCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.key_type) + " " + c.value);
    TestKey key;
    const std::string path = key.Below("New\\Deeper");
    EXPECT_TRUE(registries.WriteRegKey(c.key_type, path, "Value", c.value));
    EXPECT_TRUE(key.Exists("New\\Deeper"));
    RawValue written = key.Get("Value", "New\\Deeper");
    EXPECT_EQ(written.exists, c.expected.exists);
    EXPECT_EQ(written.type, c.expected.type);
    EXPECT_EQ(written.bytes, c.expected.bytes);
  }
}

TEST(WriteRegKey, TextReadsBackUnchangedAndAnUnknownRootFails) {
  TestKey key;
  Registries registries;
  ASSERT_TRUE(registries.WriteRegKey(REG_SZ, key.path(), "Name", "C:\\Program Files\\Trend"));
  EXPECT_EQ(registries.ReadRegKey(key.path(), "Name"), "C:\\Program Files\\Trend");

  LONG root = 0x12345;
  Bstr path = ToBstr(key.path()), name = ToBstr("Name"), value = ToBstr("x");
  LONG type = REG_SZ;
  VARIANT_BOOL result = VARIANT_TRUE;
  ComPtr<_sRegistries> object = CreateObject<_sRegistries>(CLSID_sRegistries);
  EXPECT_EQ(object->WriteRegKey(&type, &root, path.inout(), name.inout(), value.inout(), &result),
            S_OK);
  EXPECT_EQ(result, VARIANT_FALSE);
}

TEST(EnumerateRegKeys, JoinsSubkeyNamesWithCommasInThePlatformsOrder) {
  TestKey key;
  Registries registries;
  EXPECT_EQ(registries.EnumerateRegKeys(key.path()), "") << "no subkeys";
  EXPECT_EQ(registries.EnumerateRegKeys(key.Below("Missing")), "");
  key.Create("B");
  key.Create("A");
  EXPECT_EQ(registries.EnumerateRegKeys(key.path()), "A,B");
}

// The lines appended to the library's log by one call.
class LogWatch {
 public:
  LogWatch() { ::DeleteFileA(LibraryLog().c_str()); }
  std::vector<std::string> Lines() const { return ReadLines(LibraryLog()); }
};

std::string RawBuffer(const std::string& name) {
  return name + std::string(255 - name.size(), '\0');
}

// name*value pairs for values named after their data, in the platform's order.
std::string PairsInPlatformOrder(const TestKey& key, const std::map<std::string, std::string>& data) {
  std::string list;
  for (const std::string& name : key.ValueNames()) list += name + "*" + data.at(name) + ",";
  list.pop_back();
  return list;
}

TEST(EnumerateRegKeyValues, ListsNameValuePairsAndLogsEveryStep) {
  TestKey key;
  key.SetText("Name", "X");
  key.Set("Count", REG_DWORD, Dword(5));
  Registries registries;
  LogWatch log;

  const std::vector<std::string> names = key.ValueNames();
  ASSERT_EQ(names.size(), 2u);
  const std::map<std::string, std::string> data = {{"Name", "X"}, {"Count", "5"}};
  EXPECT_EQ(registries.EnumerateRegKeyValues(key.path()), PairsInPlatformOrder(key, data));

  std::vector<std::string> expected = {
      "====================",
      "",
      "",
      "KeyRoot=-2147483647",
      "KeyPath=" + key.path(),
      "RegOpenKeyEx",
      "ReturnValue=0",
  };
  std::string list;
  for (std::size_t i = 0; i < names.size(); ++i) {
    list += names[i] + "*" + data.at(names[i]) + ",";
    expected.push_back("ReturnValue Do =" + std::to_string(i) + " 0 " + RawBuffer(names[i]));
    expected.push_back("MyBuffer=" + names[i]);
    expected.push_back("Counter=" + std::to_string(i) + " " + list);
  }
  expected.push_back("ReturnValue Do =2 259 " + RawBuffer(""));
  EXPECT_EQ(log.Lines(), expected);
}

TEST(EnumerateRegKeyValues, AMissingKeyLogsTheOpenErrorAndGivesEmptyText) {
  TestKey key;
  Registries registries;
  LogWatch log;
  EXPECT_EQ(registries.EnumerateRegKeyValues(key.Below("Missing")), "");
  const std::vector<std::string> lines = log.Lines();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[6], "ReturnValue=2");
  EXPECT_EQ(lines[7], "Exit with error opening");
}

TEST(EnumerateRegKeyValues, NamesLongerThanTheFirstBufferAreListedWhole) {
  TestKey key;
  const std::string long_name(300, 'v');
  key.SetText("Short", "1");
  key.SetText(long_name, "2");
  key.SetText("Last", "3");
  Registries registries;
  LogWatch log;
  EXPECT_EQ(registries.EnumerateRegKeyValues(key.path()),
            PairsInPlatformOrder(key, {{"Short", "1"}, {long_name, "2"}, {"Last", "3"}}));
}

// A folder in the log file's place: the log cannot be opened.
class BlockedLog {
 public:
  BlockedLog() {
    ::DeleteFileA(LibraryLog().c_str());
    ::CreateDirectoryA(LibraryLog().c_str(), nullptr);
  }
  ~BlockedLog() { ::RemoveDirectoryA(LibraryLog().c_str()); }
};

TEST(Writelogs, AppendsTheTextAsOneLineAndReturnsEmpty) {
  Registries registries;
  LogWatch log;
  Variant result;
  ASSERT_EQ(registries.Writelogs("first line", result), S_OK);
  EXPECT_EQ(result.type(), VT_EMPTY);
  ASSERT_EQ(registries.Writelogs("second", result), S_OK);
  EXPECT_EQ(ReadFile(LibraryLog()), "first line\r\nsecond\r\n");
}

TEST(Writelogs, ALogThatCannotBeOpenedIsAnAutomationErrorButNotForTheEnumeration) {
  TestKey key;
  key.SetText("Name", "X");
  Registries registries;
  BlockedLog blocked;

  Variant result;
  EXPECT_EQ(registries.Writelogs("lost", result), static_cast<HRESULT>(0x800A0046))
      << "run-time error 70, permission denied";
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(::GetErrorInfo(0, info.receive()), S_OK);
  Bstr description, source;
  info->GetDescription(description.receive());
  info->GetSource(source.receive());
  EXPECT_EQ(FromBstr(description.get()), "Permission denied");
  EXPECT_EQ(FromBstr(source.get()), "Tavelund");

  EXPECT_EQ(registries.EnumerateRegKeyValues(key.path()), "Name*X");
}

// Runs this thread with a copy of the process's token that lacks one privilege, so the
// library's enabling of it on the process token cannot help.
class WithoutPrivilege {
 public:
  explicit WithoutPrivilege(const char* name) {
    Handle process_token, copy;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY,
                       process_token.receive());
    ::DuplicateTokenEx(process_token.get(), TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation,
                       TokenImpersonation, copy.receive());
    TOKEN_PRIVILEGES removed{};
    removed.PrivilegeCount = 1;
    ::LookupPrivilegeValueA(nullptr, name, &removed.Privileges[0].Luid);
    removed.Privileges[0].Attributes = SE_PRIVILEGE_REMOVED;
    ::AdjustTokenPrivileges(copy.get(), FALSE, &removed, sizeof removed, nullptr, nullptr);
    EXPECT_TRUE(::SetThreadToken(nullptr, copy.get()));
  }
  ~WithoutPrivilege() { ::RevertToSelf(); }
};

// The test key with a value and a subkey, as saved.
void FillSaved(const TestKey& key) {
  key.SetText("Name", "saved");
  key.Set("Count", REG_DWORD, Dword(7), "Sub");
}

void ExpectSaved(const TestKey& key) {
  EXPECT_EQ(key.Get("Name").bytes, std::string("saved\0", 6));
  EXPECT_EQ(key.Get("Count", "Sub").bytes, Dword(7));
  EXPECT_FALSE(key.Exists("Added"));
  EXPECT_FALSE(key.Get("Extra").exists);
}

void ChangeAfterSave(const TestKey& key) {
  key.SetText("Name", "changed");
  key.SetText("Extra", "x");
  key.Create("Added");
}

TEST(ExportImport, ARoundTripRestoresTheSavedKeyOverAnExistingFile) {
  TestKey key;
  FillSaved(key);
  TempFolder folder;
  const std::string file = folder.File("key.hiv");
  WriteFile(file, "an older file of the same name");
  Registries registries;

  ASSERT_TRUE(registries.ExportRegKey(key.path(), file));
  ChangeAfterSave(key);
  ASSERT_TRUE(registries.ImportRegKey(key.path(), file));
  ExpectSaved(key);
}

TEST(ExportImport, FailuresGiveFalseAndLeaveTheKeyAlone) {
  TestKey key;
  FillSaved(key);
  TempFolder folder;
  const std::string file = folder.File("key.hiv");
  Registries registries;

  EXPECT_FALSE(registries.ExportRegKey(key.Below("Missing"), file));
  EXPECT_FALSE(FileExists(file));
  {
    WithoutPrivilege no_backup("SeBackupPrivilege");
    EXPECT_FALSE(registries.ExportRegKey(key.path(), file));
  }
  EXPECT_FALSE(FileExists(file));

  ASSERT_TRUE(registries.ExportRegKey(key.path(), file));
  ChangeAfterSave(key);
  {
    WithoutPrivilege no_restore("SeRestorePrivilege");
    EXPECT_FALSE(registries.ImportRegKey(key.path(), file));
  }
  EXPECT_TRUE(key.Exists("Added")) << "untouched without the privilege";

  const std::string not_a_key = folder.File("text.txt");
  WriteFile(not_a_key, "just text");
  EXPECT_FALSE(registries.ImportRegKey(key.path(), not_a_key));
  EXPECT_TRUE(key.Exists("Added")) << "untouched by a file that holds no key";
  EXPECT_FALSE(registries.ImportRegKey(key.Below("Missing"), file));
}

TEST(DeleteRegKey, DeletesKeyPathBackslashSubKeyOnlyWhenItHasNoSubkeys) {
  TestKey key;
  key.Create("Parent\\Leaf");
  key.Create("Parent\\Full\\Child");
  Registries registries;
  EXPECT_TRUE(registries.DeleteRegKey(key.Below("Parent"), "Leaf"));
  EXPECT_FALSE(key.Exists("Parent\\Leaf"));
  EXPECT_FALSE(registries.DeleteRegKey(key.Below("Parent"), "Leaf")) << "already gone";
  EXPECT_FALSE(registries.DeleteRegKey(key.Below("Parent"), "Full"));
  EXPECT_TRUE(key.Exists("Parent\\Full\\Child"));
}

TEST(DeleteRegKeyValue, DeletesTheNamedValue) {
  TestKey key;
  key.SetText("Name", "x");
  Registries registries;
  Variant name = Text("Name");
  EXPECT_TRUE(registries.DeleteRegKeyValue(key.path(), name.get()));
  EXPECT_FALSE(key.Get("Name").exists);
  EXPECT_FALSE(registries.DeleteRegKeyValue(key.path(), name.get())) << "already gone";
  EXPECT_FALSE(registries.DeleteRegKeyValue(key.Below("Missing"), name.get()));
}

TEST(DeleteRegKeyValue, AnEmptySubKeyDeletesTheValueNamedLikeTheKeyPathAndReceivesIt) {
  TestKey key;
  key.SetText("", "default value");
  key.SetText(key.path(), "named like the path");
  Registries registries;

  Variant empty = Text("");
  EXPECT_TRUE(registries.DeleteRegKeyValue(key.path(), empty.get()));
  EXPECT_FALSE(key.Get(key.path()).exists);
  EXPECT_TRUE(key.Get("").exists) << "the key's default value stays";
  ASSERT_EQ(empty.type(), VT_BSTR);
  EXPECT_EQ(FromBstr(V_BSTR(empty.get())), key.path());

  key.SetText(key.path(), "again");
  Variant left_out = LeftOut();
  EXPECT_TRUE(registries.DeleteRegKeyValue(key.path(), left_out.get()));
  EXPECT_FALSE(key.Get(key.path()).exists);
  EXPECT_TRUE(key.Get("").exists);
}

// DeleteRegKeyValue through the function table or, with dispatch, through IDispatch; the
// method's code.
HRESULT DeleteRegKeyValueAs(bool dispatch, const std::string& path, VARIANT* sub_key) {
  Variant root = Long(kCurrentUser), key = Text(path);
  if (dispatch) {
    ComPtr<IDispatch> object = CreateObject<IDispatch>(CLSID_sRegistries);
    return DispatchCall(object.get(), 0x60030007, {root.get(), key.get(), sub_key});
  }
  ComPtr<_sRegistries> object = CreateObject<_sRegistries>(CLSID_sRegistries);
  LONG where = kCurrentUser;
  Bstr key_path = ToBstr(path);
  VARIANT_BOOL result = VARIANT_FALSE;
  return object->DeleteRegKeyValue(&where, key_path.inout(), sub_key, &result);
}

TEST(DeleteRegKeyValue, AnEmptySubKeyReachedThroughReferencesReceivesTheKeyPathThere) {
  for (bool dispatch : {false, true}) {
    SCOPED_TRACE(dispatch ? "through IDispatch" : "through the function table");
    TestKey key;
    key.SetText(key.path(), "named like the path");
    // The caller's VARIANT variable, reached through a reference to a reference.
    Variant variable = Text(""), inner, outer;
    V_VT(inner.get()) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(inner.get()) = variable.get();
    V_VT(outer.get()) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(outer.get()) = inner.get();
    ASSERT_EQ(DeleteRegKeyValueAs(dispatch, key.path(), outer.get()), S_OK);
    EXPECT_FALSE(key.Get(key.path()).exists);
    EXPECT_EQ(outer.type(), VT_BYREF | VT_VARIANT) << "the references still refer";
    EXPECT_EQ(inner.type(), VT_BYREF | VT_VARIANT);
    ASSERT_EQ(variable.type(), VT_BSTR);
    EXPECT_EQ(FromBstr(V_BSTR(variable.get())), key.path());
  }
}

TEST(DeleteRegKeyValue, ASubKeyVariableThatCannotHoldTheKeyPathIsATypeMismatchAndDeletesNothing) {
  for (bool dispatch : {false, true}) {
    SCOPED_TRACE(dispatch ? "through IDispatch" : "through the function table");
    TestKey key;
    key.SetText(key.path(), "named like the path");
    // An empty byte array reads as an empty text, and an array variable receives none.
    Variant bytes;
    V_VT(bytes.get()) = VT_ARRAY | VT_UI1;
    V_ARRAY(bytes.get()) = ::SafeArrayCreateVector(VT_UI1, 0, 0);
    SAFEARRAY* const held = V_ARRAY(bytes.get());
    Variant array_reference;
    V_VT(array_reference.get()) = VT_BYREF | VT_ARRAY | VT_UI1;
    V_ARRAYREF(array_reference.get()) = &V_ARRAY(bytes.get());
    EXPECT_EQ(DeleteRegKeyValueAs(dispatch, key.path(), array_reference.get()),
              DISP_E_TYPEMISMATCH);
    EXPECT_TRUE(key.Get(key.path()).exists) << "the value stays";
    EXPECT_EQ(array_reference.type(), VT_BYREF | VT_ARRAY | VT_UI1);
    EXPECT_EQ(V_ARRAY(bytes.get()), held) << "the variable keeps its array";
  }
}

}  // namespace
}  // namespace vorms::test
