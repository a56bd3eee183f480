#include "tavelund_fixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "com_text.h"
#include "test_support.h"

namespace vorms::test {
namespace {

// Registers a copy of the built library for the whole test program, inside one
// single-threaded apartment; removes both at the end.
class RegisteredLibrary : public ::testing::Environment {
 public:
  void SetUp() override {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    folder = std::make_unique<TempFolder>("tavelund");
    CopyFileTo(BuildFolder() + "\\Tavelund.dll", folder->File("Tavelund.dll"));
    ASSERT_EQ(RegisterLibrary(), 0u);
  }
  void TearDown() override {
    ::CoUninitialize();  // unloads the library, so that its folder can go
    UnregisterLibrary();
    folder.reset();
  }

  static std::unique_ptr<TempFolder> folder;
};
std::unique_ptr<TempFolder> RegisteredLibrary::folder;

[[maybe_unused]] auto* const environment =
    ::testing::AddGlobalTestEnvironment(new RegisteredLibrary);

std::string UniqueName() {
  static int counter = 0;
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = test ? test->name() : "test";
  for (char& c : name) {
    if (c == '/') c = '-';
  }
  return name + "-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
}

RegKey OpenTestKey(const std::string& path, REGSAM access) {
  RegKey key;
  ::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, access, key.receive());
  return key;
}

std::string Joined(const std::string& path, const std::string& sub) {
  return sub.empty() ? path : path + "\\" + sub;
}

}  // namespace

std::string LibraryFolder() { return RegisteredLibrary::folder->path(); }
std::string LibraryPath() { return LibraryFolder() + "\\Tavelund.dll"; }
std::string LibraryLog() { return LibraryFolder() + "\\libreglogs.txt"; }

DWORD RegisterLibrary() { return Regsvr32("/s", LibraryPath()); }
DWORD UnregisterLibrary() { return Regsvr32("/s /u", LibraryPath()); }

std::string Dword(int32_t number) {
  return std::string(reinterpret_cast<const char*>(&number), sizeof number);
}

TestKey::TestKey() : path_("Software\\VormsTest\\" + UniqueName()) { Create(""); }

TestKey::~TestKey() {
  ::RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
  ::RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
}

void TestKey::Set(const std::string& name, DWORD type, const std::string& bytes,
                  const std::string& sub) const {
  Create(sub);
  RegKey key = OpenTestKey(Joined(path_, sub), KEY_SET_VALUE);
  if (::RegSetValueExA(key.get(), name.c_str(), 0, type,
                       reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size())) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot set " + name);
  }
}

void TestKey::SetText(const std::string& name, const std::string& text,
                      const std::string& sub) const {
  Set(name, REG_SZ, text + '\0', sub);
}

void TestKey::Create(const std::string& sub) const {
  RegKey key;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, Joined(path_, sub).c_str(), 0, nullptr, 0, KEY_WRITE,
                        nullptr, key.receive(), nullptr) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot create " + sub);
  }
}

RawValue TestKey::Get(const std::string& name, const std::string& sub) const {
  RawValue value;
  RegKey key = OpenTestKey(Joined(path_, sub), KEY_QUERY_VALUE);
  DWORD size = 0;
  if (::RegQueryValueExA(key.get(), name.c_str(), nullptr, &value.type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return value;
  }
  value.bytes.resize(size);
  ::RegQueryValueExA(key.get(), name.c_str(), nullptr, &value.type,
                     reinterpret_cast<BYTE*>(value.bytes.data()), &size);
  value.exists = true;
  return value;
}

bool TestKey::Exists(const std::string& sub) const {
  return static_cast<bool>(OpenTestKey(Joined(path_, sub), KEY_READ));
}

std::vector<std::string> TestKey::ValueNames() const {
  std::vector<std::string> names;
  RegKey key = OpenTestKey(path_, KEY_QUERY_VALUE);
  for (DWORD index = 0;; ++index) {
    char name[16384];
    DWORD length = sizeof name;
    if (::RegEnumValueA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      return names;
    }
    names.emplace_back(name, length);
  }
}

}  // namespace vorms::test
