#include <gtest/gtest.h>

#include <vector>

#include "ostrilen_client.h"

namespace vorms::fslib {
namespace {

using test::OstrilenPath;

std::string GuidText(REFGUID guid) {
  wchar_t text[40];
  ::StringFromGUID2(guid, text, 40);
  return FromBstr(Bstr(text).get());
}

// The default value of HKEY_CLASSES_ROOT\<key>, or of its named value; nothing when the
// key is missing.
std::optional<std::string> ClassesValue(const std::string& key, const char* name = nullptr) {
  RegKey handle;
  if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, handle.receive()) != 0) {
    return std::nullopt;
  }
  char value[1024] = {};
  DWORD size = sizeof value - 1;
  if (::RegQueryValueExA(handle.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                         &size) != 0) {
    return "";
  }
  return std::string(value);
}

bool SamePath(const std::optional<std::string>& a, const std::string& b) {
  return a && ::lstrcmpiA(a->c_str(), b.c_str()) == 0;
}

struct ClassCase {
  const CLSID& clsid;
  const char* prog_id;
};
const ClassCase kClasses[] = {{CLSID_FileSystem, "Ostrilen.FileSystem"},
                              {CLSID_tcpip, "Ostrilen.tcpip"}};

void ExpectRegistered() {
  for (const ClassCase& c : kClasses) {
    SCOPED_TRACE(c.prog_id);
    const std::string clsid_key = "CLSID\\" + GuidText(c.clsid);
    EXPECT_TRUE(SamePath(ClassesValue(clsid_key + "\\InprocServer32"), OstrilenPath()));
    EXPECT_EQ(ClassesValue(clsid_key + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(ClassesValue(clsid_key + "\\ProgID"), c.prog_id);
    EXPECT_EQ(ClassesValue(std::string(c.prog_id) + "\\CLSID"), GuidText(c.clsid));
  }
  Bstr path;
  ASSERT_HRESULT_SUCCEEDED(::QueryPathOfRegTypeLib(LIBID_Ostrilen, 1, 0, 0, path.receive()));
  EXPECT_TRUE(SamePath(FromBstr(path.get()), OstrilenPath()));
}

TEST(OstrilenRegistration, Regsvr32WritesAndRemovesClassesProgIdsAndTypeLibrary) {
  ExpectRegistered();

  ASSERT_EQ(test::UnregisterOstrilen(), 0u);
  for (const ClassCase& c : kClasses) {
    EXPECT_FALSE(ClassesValue("CLSID\\" + GuidText(c.clsid))) << c.prog_id;
    EXPECT_FALSE(ClassesValue(c.prog_id)) << c.prog_id;
  }
  ComPtr<ITypeLib> library;
  EXPECT_HRESULT_FAILED(::LoadRegTypeLib(LIBID_Ostrilen, 1, 0, 0, library.receive()));
  ComPtr<_FileSystem> object;
  EXPECT_EQ(::CoCreateInstance(CLSID_FileSystem, nullptr, CLSCTX_INPROC_SERVER,
                               IID__FileSystem, object.receive_void()),
            REGDB_E_CLASSNOTREG);

  ASSERT_EQ(test::RegisterOstrilen(), 0u);
  ExpectRegistered();
  EXPECT_TRUE(test::CreateObject<_FileSystem>(CLSID_FileSystem));
  EXPECT_TRUE(test::CreateObject<_tcpip>(CLSID_tcpip));
}

// One parameter as the type library describes it.
struct Param {
  const char* name;
  VARTYPE type;  // what the by-reference parameter points to
  bool optional = false;
};

struct Method {
  const char* name;
  std::vector<Param> params;
  VARTYPE result;
};

class OstrilenTypeLibrary : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(::LoadTypeLibEx(ToBstr(OstrilenPath()).get(), REGKIND_NONE,
                                             library_.receive()));
  }

  ComPtr<ITypeInfo> InfoOf(REFGUID guid) {
    ComPtr<ITypeInfo> info;
    EXPECT_HRESULT_SUCCEEDED(library_->GetTypeInfoOfGuid(guid, info.receive()));
    return info;
  }

  // The function-table half of a dual interface.
  ComPtr<ITypeInfo> FunctionTableOf(REFIID iid) {
    ComPtr<ITypeInfo> dispatch = InfoOf(iid);
    HREFTYPE table = 0;
    ComPtr<ITypeInfo> info;
    EXPECT_HRESULT_SUCCEEDED(dispatch->GetRefTypeOfImplType(-1, &table));
    EXPECT_HRESULT_SUCCEEDED(dispatch->GetRefTypeInfo(table, info.receive()));
    return info;
  }

  static std::string NameOf(ITypeInfo* info, MEMBERID id) {
    Bstr name;
    info->GetDocumentation(id, name.receive(), nullptr, nullptr, nullptr);
    return FromBstr(name.get());
  }

  // Every method in slot order from slot 7, dispatch ids from 0x60030000, every named
  // parameter by reference, in and out, the result as the last, retval parameter.
  void ExpectMethods(REFIID iid, const std::vector<Method>& methods) {
    ComPtr<ITypeInfo> info = FunctionTableOf(iid);
    TYPEATTR* attributes = nullptr;
    ASSERT_HRESULT_SUCCEEDED(info->GetTypeAttr(&attributes));
    EXPECT_EQ(attributes->typekind, TKIND_INTERFACE);
    EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_EQ(attributes->cFuncs, methods.size());
    info->ReleaseTypeAttr(attributes);
    for (UINT i = 0; i < methods.size(); ++i) ExpectMethod(info.get(), i, methods[i]);
  }

  void ExpectMethod(ITypeInfo* info, UINT index, const Method& method) {
    SCOPED_TRACE(method.name);
    FUNCDESC* f = nullptr;
    ASSERT_HRESULT_SUCCEEDED(info->GetFuncDesc(index, &f));
    EXPECT_EQ(f->memid, static_cast<MEMBERID>(0x60030000 + index));
    EXPECT_EQ(f->oVft, static_cast<SHORT>((7 + index) * sizeof(void*)));
    BSTR names[16] = {};
    UINT count = 0;
    info->GetNames(f->memid, names, 16, &count);
    std::vector<Bstr> owned;
    for (UINT n = 0; n < count; ++n) owned.push_back(Bstr::Attach(names[n]));
    EXPECT_EQ(FromBstr(owned[0].get()), method.name);
    ASSERT_EQ(f->cParams, static_cast<SHORT>(method.params.size() + 1));
    for (std::size_t p = 0; p < method.params.size(); ++p) {
      const Param& expected = method.params[p];
      SCOPED_TRACE(expected.name);
      ASSERT_GT(count, p + 1);
      EXPECT_EQ(FromBstr(owned[p + 1].get()), expected.name);
      const ELEMDESC& param = f->lprgelemdescParam[p];
      ASSERT_EQ(param.tdesc.vt, VT_PTR);
      EXPECT_EQ(param.tdesc.lptdesc->vt, expected.type);
      USHORT flags = PARAMFLAG_FIN | PARAMFLAG_FOUT | (expected.optional ? PARAMFLAG_FOPT : 0);
      EXPECT_EQ(param.paramdesc.wParamFlags, flags);
    }
    const ELEMDESC& result = f->lprgelemdescParam[method.params.size()];
    EXPECT_EQ(result.paramdesc.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
    ASSERT_EQ(result.tdesc.vt, VT_PTR);
    EXPECT_EQ(result.tdesc.lptdesc->vt, method.result);
    info->ReleaseFuncDesc(f);
  }

  ComPtr<ITypeLib> library_;
};

TEST_F(OstrilenTypeLibrary, IsNamedOstrilen) {
  Bstr name;
  ASSERT_HRESULT_SUCCEEDED(library_->GetDocumentation(-1, name.receive(), nullptr, nullptr,
                                                      nullptr));
  EXPECT_EQ(FromBstr(name.get()), "Ostrilen");
  TLIBATTR* attributes = nullptr;
  ASSERT_HRESULT_SUCCEEDED(library_->GetLibAttr(&attributes));
  EXPECT_TRUE(IsEqualGUID(attributes->guid, LIBID_Ostrilen));
  library_->ReleaseTLibAttr(attributes);
}

TEST_F(OstrilenTypeLibrary, PublishesTwoClassesWithTheirDefaultInterfaces) {
  const std::tuple<const CLSID*, const char*, const IID*, const char*> cases[] = {
      {&CLSID_FileSystem, "FileSystem", &IID__FileSystem, "_FileSystem"},
      {&CLSID_tcpip, "tcpip", &IID__tcpip, "_tcpip"},
  };
  for (const auto& [clsid, name, iid, interface_name] : cases) {
    SCOPED_TRACE(name);
    ComPtr<ITypeInfo> coclass = InfoOf(*clsid);
    EXPECT_EQ(NameOf(coclass.get(), MEMBERID_NIL), name);
    TYPEATTR* attributes = nullptr;
    ASSERT_HRESULT_SUCCEEDED(coclass->GetTypeAttr(&attributes));
    EXPECT_EQ(attributes->typekind, TKIND_COCLASS);
    EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FCANCREATE);
    coclass->ReleaseTypeAttr(attributes);
    INT flags = 0;
    HREFTYPE reference = 0;
    ComPtr<ITypeInfo> interface_info;
    ASSERT_HRESULT_SUCCEEDED(coclass->GetImplTypeFlags(0, &flags));
    EXPECT_TRUE(flags & IMPLTYPEFLAG_FDEFAULT);
    ASSERT_HRESULT_SUCCEEDED(coclass->GetRefTypeOfImplType(0, &reference));
    ASSERT_HRESULT_SUCCEEDED(coclass->GetRefTypeInfo(reference, interface_info.receive()));
    EXPECT_EQ(NameOf(interface_info.get(), MEMBERID_NIL), interface_name);
    ASSERT_HRESULT_SUCCEEDED(interface_info->GetTypeAttr(&attributes));
    EXPECT_TRUE(IsEqualGUID(attributes->guid, *iid));
    interface_info->ReleaseTypeAttr(attributes);
  }
}

TEST_F(OstrilenTypeLibrary, FileSystemMethodsKeepTheirSlotsIdsAndParameters) {
  ExpectMethods(IID__FileSystem,
                {{"Get_File_FileVersion", {{"File", VT_BSTR}}, VT_VARIANT},
                 {"PatternFolderVersion", {{"MyRoot", VT_BSTR}}, VT_BSTR},
                 {"OperatingSystemType", {}, VT_BSTR},
                 {"Get_File_ProductVersion", {{"File", VT_BSTR}}, VT_BSTR},
                 {"Get_FileInfo_Version", {{"File", VT_BSTR}}, VT_BSTR},
                 {"Get_File_Private_Build", {{"File", VT_BSTR}}, VT_BSTR},
                 {"Get_File_Special_build", {{"File", VT_BSTR}}, VT_BSTR},
                 {"MEMORY_GET_FROM_PROCESS", {{"Process", VT_BSTR}}, VT_BSTR},
                 {"MEMORY_GET_FROM_OS", {}, VT_BSTR},
                 {"OperatingSystem_IFitIsFrench", {}, VT_BOOL},
                 {"RegisterDLL", {{"sFile", VT_BSTR}}, VT_BSTR},
                 {"UnRegisterDLL", {{"sFile", VT_BSTR}}, VT_BSTR},
                 {"GET_SYSTEM32_FOLDER", {}, VT_BSTR},
                 {"FILE_CHANGE_DATE_TO_NOW",
                  {{"sFile", VT_BSTR}, {"NewDateCreated", VT_VARIANT, true}},
                  VT_BOOL}});
}

TEST_F(OstrilenTypeLibrary, TcpipMethodsKeepTheirSlotsIdsAndParameters) {
  ExpectMethods(IID__tcpip, {{"Ping", {{"sAddress", VT_BSTR}}, VT_BSTR},
                             {"GetIpFromHost", {{"ComputerName", VT_BSTR}}, VT_BSTR},
                             {"GET_PORTS_SCANNER_ALL", {{"Switch", VT_USERDEFINED}}, VT_VARIANT},
                             {"GetHostFromIP", {{"IP", VT_BSTR}}, VT_BSTR}});
}

TEST_F(OstrilenTypeLibrary, SwitchIsTheFilterEnumeration) {
  GUID filter_guid;
  ASSERT_HRESULT_SUCCEEDED(
      ::CLSIDFromString(L"{29A6966A-0542-4836-9268-8E361F76A259}", &filter_guid));
  ComPtr<ITypeInfo> filter = InfoOf(filter_guid);
  ASSERT_TRUE(filter);
  EXPECT_EQ(NameOf(filter.get(), MEMBERID_NIL), "sFilter");
  TYPEATTR* attributes = nullptr;
  ASSERT_HRESULT_SUCCEEDED(filter->GetTypeAttr(&attributes));
  EXPECT_EQ(attributes->typekind, TKIND_ENUM);
  EXPECT_EQ(attributes->cbSizeInstance, 4);
  ASSERT_EQ(attributes->cVars, 4);
  filter->ReleaseTypeAttr(attributes);
  const char* const names[] = {"ViewAll", "Establish", "Listen", "sent"};
  for (UINT i = 0; i < 4; ++i) {
    VARDESC* member = nullptr;
    ASSERT_HRESULT_SUCCEEDED(filter->GetVarDesc(i, &member));
    EXPECT_EQ(NameOf(filter.get(), member->memid), names[i]);
    EXPECT_EQ(V_I4(member->lpvarValue), static_cast<LONG>(i));
    filter->ReleaseVarDesc(member);
  }

  // GET_PORTS_SCANNER_ALL's Switch refers to it.
  ComPtr<ITypeInfo> table = FunctionTableOf(IID__tcpip);
  FUNCDESC* f = nullptr;
  ASSERT_HRESULT_SUCCEEDED(table->GetFuncDesc(2, &f));
  ComPtr<ITypeInfo> referenced;
  ASSERT_HRESULT_SUCCEEDED(
      table->GetRefTypeInfo(f->lprgelemdescParam[0].tdesc.lptdesc->hreftype, referenced.receive()));
  EXPECT_EQ(NameOf(referenced.get(), MEMBERID_NIL), "sFilter");
  table->ReleaseFuncDesc(f);
}

}  // namespace
}  // namespace vorms::fslib
