// Ostrilen's registration and the published identities in its type library: class and
// interface ids, function-table slots, dispatch ids, parameter names and types, sFilter.
#include <gtest/gtest.h>

#include "ostrilen_client.h"
#include "type_library_checks.h"

namespace vorms::test {
namespace {

constexpr char kLibraryId[] = "{ED5BEE72-ED03-4502-9DD0-955FA3B72ED3}";

ServerRegistration Ostrilen() {
  return {OstrilenPath(),
          kLibraryId,
          {{"{7EA0E189-B499-465C-B6D3-0867539CE063}", "Ostrilen.FileSystem"},
           {"{528F245B-2102-4215-ABDA-84CDB84FA689}", "Ostrilen.tcpip"}},
          {
              "{1DCBEDC7-D7D0-4AF1-8725-5AF22098509B}",  // _FileSystem
              "{8023D901-8848-43A4-A0DF-EF518ABE6B3F}",  // _tcpip
          }};
}

TEST(OstrilenRegistration, Regsvr32WritesEveryKeyAndTheUnregistrationRemovesThem) {
  ExpectRegistered(Ostrilen());

  ASSERT_EQ(UnregisterOstrilen(), 0u);
  ExpectUnregistered(Ostrilen());
  ComPtr<_FileSystem> object;
  EXPECT_EQ(::CoCreateInstance(CLSID_FileSystem, nullptr, CLSCTX_INPROC_SERVER,
                               IID__FileSystem, object.receive_void()),
            REGDB_E_CLASSNOTREG);

  ASSERT_EQ(RegisterOstrilen(), 0u);
  ExpectRegistered(Ostrilen());
  EXPECT_TRUE(CreateObject<_FileSystem>(CLSID_FileSystem));
  EXPECT_TRUE(CreateObject<_tcpip>(CLSID_tcpip));
}

ComPtr<ITypeLib> RegisteredTypeLib() {
  ComPtr<ITypeLib> library;
  ::LoadRegTypeLib(LIBID_Ostrilen, 1, 0, LOCALE_NEUTRAL, library.receive());
  return library;
}

TEST(OstrilenTypeLibrary, IsRegisteredAsOstrilenVersion1) {
  ExpectLibrary(RegisteredTypeLib().get(), "Ostrilen");
}

TEST(OstrilenTypeLibrary, ClassesAndTheirHiddenDualDefaultInterfaces) {
  ComPtr<ITypeLib> library = RegisteredTypeLib();
  ASSERT_TRUE(library);
  ExpectClass(library.get(), {"{7EA0E189-B499-465C-B6D3-0867539CE063}", "FileSystem",
                              "{1DCBEDC7-D7D0-4AF1-8725-5AF22098509B}", "_FileSystem", false});
  ExpectClass(library.get(), {"{528F245B-2102-4215-ABDA-84CDB84FA689}", "tcpip",
                              "{8023D901-8848-43A4-A0DF-EF518ABE6B3F}", "_tcpip", false});
}

TEST(OstrilenTypeLibrary, FileSystemMethodsInSlotOrder) {
  ComPtr<_FileSystem> object = CreateObject<_FileSystem>(CLSID_FileSystem);
  ASSERT_TRUE(object);
  ExpectMethods(RegisteredTypeLib().get(), "{1DCBEDC7-D7D0-4AF1-8725-5AF22098509B}", object.get(),
                {
                    {0x60030000, "Get_File_FileVersion(BSTR* File) -> VARIANT"},
                    {0x60030001, "PatternFolderVersion(BSTR* MyRoot) -> BSTR"},
                    {0x60030002, "OperatingSystemType() -> BSTR"},
                    {0x60030003, "Get_File_ProductVersion(BSTR* File) -> BSTR"},
                    {0x60030004, "Get_FileInfo_Version(BSTR* File) -> BSTR"},
                    {0x60030005, "Get_File_Private_Build(BSTR* File) -> BSTR"},
                    {0x60030006, "Get_File_Special_build(BSTR* File) -> BSTR"},
                    {0x60030007, "MEMORY_GET_FROM_PROCESS(BSTR* Process) -> BSTR"},
                    {0x60030008, "MEMORY_GET_FROM_OS() -> BSTR"},
                    {0x60030009, "OperatingSystem_IFitIsFrench() -> VARIANT_BOOL"},
                    {0x6003000A, "RegisterDLL(BSTR* sFile) -> BSTR"},
                    {0x6003000B, "UnRegisterDLL(BSTR* sFile) -> BSTR"},
                    {0x6003000C, "GET_SYSTEM32_FOLDER() -> BSTR"},
                    {0x6003000D, "FILE_CHANGE_DATE_TO_NOW(BSTR* sFile, [optional] VARIANT* NewDateCreated) -> VARIANT_BOOL"},
                });
}

TEST(OstrilenTypeLibrary, tcpipMethodsInSlotOrder) {
  ComPtr<_tcpip> object = CreateObject<_tcpip>(CLSID_tcpip);
  ASSERT_TRUE(object);
  ExpectMethods(RegisteredTypeLib().get(), "{8023D901-8848-43A4-A0DF-EF518ABE6B3F}", object.get(),
                {
                    {0x60030000, "Ping(BSTR* sAddress) -> BSTR"},
                    {0x60030001, "GetIpFromHost(BSTR* ComputerName) -> BSTR"},
                    {0x60030002, "GET_PORTS_SCANNER_ALL(sFilter* Switch) -> VARIANT"},
                    {0x60030003, "GetHostFromIP(BSTR* IP) -> BSTR"},
                });
}

TEST(OstrilenTypeLibrary, FilterEnumeration) {
  ComPtr<ITypeLib> library = RegisteredTypeLib();
  ASSERT_TRUE(library);
  ComPtr<ITypeInfo> filter = TypeInfo(library.get(), "{29A6966A-0542-4836-9268-8E361F76A259}");
  ASSERT_TRUE(filter);
  EXPECT_EQ(Name(filter.get()), "sFilter");
  EXPECT_EQ(Attributes(filter.get()).kind, TKIND_ENUM);
  EXPECT_EQ(EnumMembers(filter.get()),
            (Members{{"ViewAll", 0}, {"Establish", 1}, {"Listen", 2}, {"sent", 3}}));
}

}  // namespace
}  // namespace vorms::test
