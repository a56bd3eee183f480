#include "com_server.h"

#include <new>

#include "com_text.h"
#include "handles.h"
#include "program.h"
#include "type_library.h"

namespace vorms::com {
namespace {

LONG g_objects = 0;

class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(Creator create) : create_(create) { ObjectCreated(); }
  ~ClassFactory() { ObjectDestroyed(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return refs_.AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return refs_.Release(this); }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return create_(riid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    lock ? ObjectCreated() : ObjectDestroyed();
    return S_OK;
  }

 private:
  ReferenceCount refs_;
  Creator create_;
};

std::string GuidText(const GUID& guid) {
  wchar_t text[40];
  const int length = ::StringFromGUID2(guid, text, 40);  // counts the final zero
  std::string ascii;
  for (int i = 0; i + 1 < length; ++i) ascii += static_cast<char>(text[i]);
  return ascii;
}

// The identity of the embedded type library that registration writes and removes.
struct LibraryIdentity {
  GUID guid{};
  WORD major = 0;
  WORD minor = 0;
  LCID lcid = 0;
  SYSKIND syskind = SYS_WIN64;

  std::string Version() const { return std::to_string(major) + "." + std::to_string(minor); }
};

HRESULT ReadIdentity(ITypeLib* library, LibraryIdentity& identity) {
  TLIBATTR* attr = nullptr;
  HRESULT hr = library->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  identity = {attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind};
  library->ReleaseTLibAttr(attr);
  return S_OK;
}

LONG SetText(const std::string& key_path, const char* name, const std::string& value) {
  RegKey key;
  LONG status = ::RegCreateKeyExA(HKEY_CLASSES_ROOT, key_path.c_str(), 0, nullptr, 0,
                                  KEY_SET_VALUE, nullptr, key.receive(), nullptr);
  if (status != ERROR_SUCCESS) return status;
  return ::RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1));
}

LONG DeleteTree(const std::string& key_path) {
  LONG status = ::RegDeleteTreeA(HKEY_CLASSES_ROOT, key_path.c_str());
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  return status;
}

bool KeyExists(const std::string& key_path) {
  RegKey key;
  return ::RegOpenKeyExA(HKEY_CLASSES_ROOT, key_path.c_str(), 0, KEY_READ, key.receive()) ==
         ERROR_SUCCESS;
}

std::string ClassKey(const CoClass& coclass) { return "CLSID\\" + GuidText(coclass.clsid); }

LONG RegisterClass(const Library& library, const CoClass& coclass,
                   const LibraryIdentity& identity) {
  const std::string key = ClassKey(coclass);
  const std::string prog_id = ProgId(library, coclass);
  const std::pair<std::string, std::string> entries[] = {
      {key, prog_id},
      {key + "\\InprocServer32", ModulePath(ThisModule())},
      {key + "\\ProgID", prog_id},
      {key + "\\TypeLib", GuidText(identity.guid)},
      {key + "\\VERSION", identity.Version()},
      {prog_id, prog_id},
      {prog_id + "\\CLSID", GuidText(coclass.clsid)},
  };
  for (const auto& [path, value] : entries) {
    if (LONG status = SetText(path, nullptr, value); status != ERROR_SUCCESS) return status;
  }
  return SetText(key + "\\InprocServer32", "ThreadingModel", "Apartment");
}

LONG UnregisterClass(const Library& library, const CoClass& coclass) {
  LONG status = DeleteTree(ClassKey(coclass));
  LONG prog_status = DeleteTree(ProgId(library, coclass));
  return status != ERROR_SUCCESS ? status : prog_status;
}

HRESULT RegisterClasses(const Library& library) {
  ComPtr<ITypeLib> type_library;
  LibraryIdentity identity;
  HRESULT hr = LoadModuleTypeLib(type_library);
  if (SUCCEEDED(hr)) hr = ReadIdentity(type_library.get(), identity);
  for (const CoClass& coclass : library.classes) {
    if (FAILED(hr)) break;
    hr = HRESULT_FROM_WIN32(RegisterClass(library, coclass, identity));
  }
  if (SUCCEEDED(hr)) {
    Bstr path = ToBstr(ModulePath(ThisModule()));
    hr = ::RegisterTypeLib(type_library.get(), path.get(), nullptr);
  }
  return hr;
}

HRESULT UnregisterClasses(const Library& library) {
  ComPtr<ITypeLib> type_library;
  LibraryIdentity identity;
  HRESULT hr = LoadModuleTypeLib(type_library);
  if (SUCCEEDED(hr)) hr = ReadIdentity(type_library.get(), identity);
  if (SUCCEEDED(hr) && KeyExists("TypeLib\\" + GuidText(identity.guid) + "\\" + identity.Version())) {
    hr = ::UnRegisterTypeLib(identity.guid, identity.major, identity.minor, identity.lcid,
                             identity.syskind);
  }
  for (const CoClass& coclass : library.classes) {
    LONG status = UnregisterClass(library, coclass);
    if (SUCCEEDED(hr) && status != ERROR_SUCCESS) hr = HRESULT_FROM_WIN32(status);
  }
  return hr;
}

// Entry points are called by foreign code: nothing may be thrown across them.
template <typename Fn>
HRESULT Guarded(Fn&& fn) noexcept {
  try {
    return fn();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace

std::string ProgId(const Library& library, const CoClass& coclass) {
  return std::string(library.name) + "." + coclass.name;
}

HMODULE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

void ObjectCreated() { ::InterlockedIncrement(&g_objects); }
void ObjectDestroyed() { ::InterlockedDecrement(&g_objects); }

HRESULT GetClassObject(const Library& library, REFCLSID clsid, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (const CoClass& coclass : library.classes) {
    if (coclass.clsid != clsid) continue;
    auto* factory = new (std::nothrow) ClassFactory(coclass.create);
    if (!factory) return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(riid, out);
    factory->Release();
    return hr;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CanUnloadNow() { return g_objects == 0 ? S_OK : S_FALSE; }

HRESULT RegisterServer(const Library& library) {
  return Guarded([&] {
    HRESULT hr = RegisterClasses(library);
    if (FAILED(hr)) UnregisterClasses(library);
    return hr;
  });
}

HRESULT UnregisterServer(const Library& library) {
  return Guarded([&] { return UnregisterClasses(library); });
}

}  // namespace vorms::com
