// Tavelund's classes called by careless clients through IDispatch (dispatch_fuzz.h). The
// calls stay harmless: every key path is the test's own key or below it; every method
// that writes or deletes (CreateKey, DeleteKey, SetValue, DeleteValue, WriteRegKey,
// DeleteRegKey, DeleteRegKeyValue, and ExportRegKey and ImportRegKey, which save a key to
// a file and restore it) gets HKEY_CURRENT_USER as its root, and the hive files are files
// of the test's folder. The methods that only read take any root.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dispatch_fuzz.h"
#include "tavelund_fixture.h"
#include "test_support.h"

namespace vorms::test {
namespace {

constexpr int kDefaultRounds = 300;

// The names directly below a key, subkeys and values: what a stray write would change.
std::vector<std::string> NamesBelow(HKEY root, const char* path) {
  RegKey key;
  ::RegOpenKeyExA(root, path, 0, KEY_READ, key.receive());
  std::vector<std::string> names;
  char name[16384];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof name;
    if (::RegEnumKeyExA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.emplace_back("key " + std::string(name, length));
  }
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof name;
    if (::RegEnumValueA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.emplace_back("value " + std::string(name, length));
  }
  return names;
}

TEST(DispatchFuzz, BothClassesAnswerCarelessCallsWithoutCrashLeakOrStrayWrite) {
  TestKey key;
  TempFolder folder("fuzz");
  WriteFile(folder.File("text.txt"), "no hive");
  const FuzzParameter any;
  const FuzzParameter receiving{{}, {}, true};
  const FuzzParameter root{{}, {kCurrentUser}};
  const FuzzParameter path{{key.path(), key.Below("A"), key.Below("A\\B"), key.Below("Missing"),
                            key.Below(std::string(300, 'k'))},
                           {}};
  const FuzzParameter file{{folder.File("key.hiv"), folder.File("text.txt"),
                            folder.File("missing\\key.hiv")},
                           {}};

  ComPtr<IDispatch> registries = CreateObject<IDispatch>(CLSID_sRegistries);
  ComPtr<IDispatch> values = CreateObject<IDispatch>(CLSID_RegSz);
  ASSERT_TRUE(registries && values);
  const std::vector<FuzzTarget> targets = {
      {"sRegistries", registries.get(),
       {
           {"ExportRegKey", 0x60030000, {root, path, file}},
           {"ImportRegKey", 0x60030001, {root, path, file}},
           {"ReadRegKey", 0x60030002, {any, path, any, any}},
           {"WriteRegKey", 0x60030003, {any, root, path, any, any}},
           {"EnumerateRegKeys", 0x60030004, {any, path}},
           {"EnumerateRegKeyValues", 0x60030005, {any, path}},
           {"DeleteRegKey", 0x60030006, {root, path, any}},
           {"DeleteRegKeyValue", 0x60030007, {root, path, receiving}},
           {"Writelogs", 0x6003000A, {any}},
       }},
      {"RegSz", values.get(),
       {
           {"KeyExists", 0x60030000, {any, path}},
           {"CreateKey", 0x60030001, {root, path}},
           {"DeleteKey", 0x60030002, {root, path}},
           {"EnumKeys", 0x60030003, {any, path}},
           {"SetValue", 0x60030004, {root, path, any, any}},
           {"GetValue", 0x60030005, {any, path, any, any}},
           {"DeleteValue", 0x60030006, {root, path, any}},
           {"EnumValues", 0x60030007, {any, path, any}},
       }},
  };
  const std::vector<std::string> user_keys = NamesBelow(HKEY_CURRENT_USER, "");
  const std::vector<std::string> user_software = NamesBelow(HKEY_CURRENT_USER, "Software");

  FuzzThroughDispatch(targets, kDefaultRounds);
  EXPECT_EQ(NamesBelow(HKEY_CURRENT_USER, ""), user_keys) << "a write went outside the test key";
  EXPECT_EQ(NamesBelow(HKEY_CURRENT_USER, "Software"), user_software);
}

}  // namespace
}  // namespace vorms::test
