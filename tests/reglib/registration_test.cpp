// regsvr32 registers and unregisters Tavelund.dll for real, and the entry points keep
// the library loaded exactly while objects or locks exist.
#include <gtest/gtest.h>

#include "com_text.h"
#include "tavelund_fixture.h"

namespace vorms::test {
namespace {

constexpr char kLibraryId[] = "{0782397E-2C8E-489A-9A14-D5081CD0D49D}";

struct RegisteredClass {
  const char* clsid;
  const char* prog_id;
};

constexpr RegisteredClass kClasses[] = {
    {"{8D627C36-0539-464E-A490-7D9AA19D1F14}", "Tavelund.sRegistries"},
    {"{7D33854C-46C1-481B-BA1F-D569CA1AF05D}", "Tavelund.RegSz"},
};

constexpr const char* kInterfaces[] = {
    "{0276AD27-7328-4515-AA48-5BD0F2BFF0DD}",  // _sRegistries
    "{D8B3AFF7-8133-4698-86DF-3683E0F8ABB5}",  // _RegSz
};

// The text of a value under HKEY_CLASSES_ROOT; "<missing>" when there is none.
std::string ClassesText(const std::string& key_path, const char* name = nullptr) {
  RegKey key;
  if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, key_path.c_str(), 0, KEY_READ, key.receive()) !=
      ERROR_SUCCESS) {
    return "<missing>";
  }
  char text[1024] = {};
  DWORD size = sizeof text - 1;
  if (::RegQueryValueExA(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(text),
                         &size) != ERROR_SUCCESS) {
    return "<missing>";
  }
  return text;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
  return text;
}

void ExpectRegistered() {
  for (const RegisteredClass& c : kClasses) {
    const std::string key = std::string("CLSID\\") + c.clsid;
    SCOPED_TRACE(c.prog_id);
    EXPECT_EQ(Lower(ClassesText(key + "\\InprocServer32")), Lower(LibraryPath()));
    EXPECT_EQ(ClassesText(key + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(ClassesText(key + "\\ProgID"), c.prog_id);
    EXPECT_EQ(ClassesText(key + "\\TypeLib"), kLibraryId);
    EXPECT_EQ(ClassesText(std::string(c.prog_id) + "\\CLSID"), c.clsid);
  }
  EXPECT_EQ(Lower(ClassesText(std::string("TypeLib\\") + kLibraryId + "\\1.0\\0\\win64")),
            Lower(LibraryPath()));
  for (const char* iid : kInterfaces) {
    EXPECT_EQ(ClassesText(std::string("Interface\\") + iid + "\\TypeLib"), kLibraryId) << iid;
  }
}

void ExpectUnregistered() {
  for (const RegisteredClass& c : kClasses) {
    EXPECT_EQ(ClassesText(std::string("CLSID\\") + c.clsid + "\\InprocServer32"), "<missing>");
    EXPECT_EQ(ClassesText(std::string(c.prog_id) + "\\CLSID"), "<missing>");
  }
  EXPECT_EQ(ClassesText(std::string("TypeLib\\") + kLibraryId + "\\1.0\\0\\win64"), "<missing>");
  for (const char* iid : kInterfaces) {
    EXPECT_EQ(ClassesText(std::string("Interface\\") + iid + "\\TypeLib"), "<missing>") << iid;
  }
}

TEST(Registration, Regsvr32WritesEveryKeyAndTheUnregistrationRemovesThem) {
  ExpectRegistered();

  ASSERT_EQ(UnregisterLibrary(), 0u);
  ExpectUnregistered();
  ComPtr<IUnknown> object;
  EXPECT_EQ(::CoCreateInstance(CLSID_RegSz, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               object.receive_void()),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(UnregisterLibrary(), 0u) << "a second unregistration finds nothing to remove";

  ASSERT_EQ(RegisterLibrary(), 0u);
  ExpectRegistered();
  EXPECT_TRUE(CreateObject<_RegSz>(CLSID_RegSz));
}

TEST(Registration, ProgIdsNameTheClasses) {
  for (const RegisteredClass& c : kClasses) {
    CLSID clsid{};
    ASSERT_EQ(::CLSIDFromProgID(ToBstr(c.prog_id).get(), &clsid), S_OK) << c.prog_id;
    CLSID expected{};
    ::CLSIDFromString(ToBstr(c.clsid).get(), &expected);
    EXPECT_EQ(clsid, expected) << c.prog_id;
  }
}

using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();

TEST(EntryPoints, TheLibraryMayUnloadOnlyWithoutObjectsOrLocks) {
  ComPtr<_sRegistries> object = CreateObject<_sRegistries>(CLSID_sRegistries);
  ASSERT_TRUE(object);
  HMODULE library = ::GetModuleHandleA(LibraryPath().c_str());
  ASSERT_NE(library, nullptr);
  auto can_unload = reinterpret_cast<CanUnloadNow>(
      reinterpret_cast<void*>(::GetProcAddress(library, "DllCanUnloadNow")));
  ASSERT_NE(can_unload, nullptr);
  EXPECT_EQ(can_unload(), S_FALSE);
  object = ComPtr<_sRegistries>();
  EXPECT_EQ(can_unload(), S_OK);

  ComPtr<IClassFactory> factory;
  ASSERT_EQ(::CoGetClassObject(CLSID_RegSz, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               factory.receive_void()),
            S_OK);
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  factory = ComPtr<IClassFactory>();
  EXPECT_EQ(can_unload(), S_FALSE) << "a server lock keeps it";
  ::CoGetClassObject(CLSID_RegSz, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                     factory.receive_void());
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  factory = ComPtr<IClassFactory>();
  EXPECT_EQ(can_unload(), S_OK);
}

TEST(EntryPoints, TheClassFactoryRefusesAggregationAndUnknownInterfaces) {
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(::CoGetClassObject(CLSID_sRegistries, CLSCTX_INPROC_SERVER, nullptr,
                               IID_IClassFactory, factory.receive_void()),
            S_OK);
  ComPtr<IUnknown> object;
  IUnknown* outer = factory.get();
  EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, object.receive_void()),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, object.receive_void()),
            E_NOINTERFACE);
  EXPECT_FALSE(object);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, object.receive_void()), S_OK);
  ComPtr<_sRegistries> typed;
  EXPECT_EQ(object->QueryInterface(IID__sRegistries, typed.receive_void()), S_OK);
}

}  // namespace
}  // namespace vorms::test
