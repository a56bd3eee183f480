// regsvr32 registers and unregisters Tavelund.dll for real, and the entry points keep
// the library loaded exactly while objects or locks exist.
#include <gtest/gtest.h>

#include "com_text.h"
#include "tavelund_fixture.h"

namespace vorms::test {
namespace {

constexpr char kLibraryId[] = "{0782397E-2C8E-489A-9A14-D5081CD0D49D}";

constexpr RegisteredClass kClasses[] = {
    {"{8D627C36-0539-464E-A490-7D9AA19D1F14}", "Tavelund.sRegistries"},
    {"{7D33854C-46C1-481B-BA1F-D569CA1AF05D}", "Tavelund.RegSz"},
};

ServerRegistration Tavelund() {
  return {LibraryPath(),
          kLibraryId,
          {std::begin(kClasses), std::end(kClasses)},
          {
              "{0276AD27-7328-4515-AA48-5BD0F2BFF0DD}",  // _sRegistries
              "{D8B3AFF7-8133-4698-86DF-3683E0F8ABB5}",  // _RegSz
          }};
}

TEST(Registration, Regsvr32WritesEveryKeyAndTheUnregistrationRemovesThem) {
  ExpectRegistered(Tavelund());

  ASSERT_EQ(UnregisterLibrary(), 0u);
  ExpectUnregistered(Tavelund());
  ComPtr<IUnknown> object;
  EXPECT_EQ(::CoCreateInstance(CLSID_RegSz, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               object.receive_void()),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(UnregisterLibrary(), 0u) << "a second unregistration finds nothing to remove";

  ASSERT_EQ(RegisterLibrary(), 0u);
  ExpectRegistered(Tavelund());
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
