// In-process COM server plumbing shared by the system's libraries (Tavelund, Ostrilen):
// the class table, the class factory, the module's object count, self-registration and
// the four exported entry points.
//
// A library describes its classes once and defines its entry points from that table:
//
//   const vorms::com::CoClass kClasses[] = {
//       {CLSID_sRegistries, "sRegistries", vorms::com::Create<reglib::sRegistries>},
//       {CLSID_RegSz, "RegSz", vorms::com::Create<reglib::RegSz>},
//   };
//   const vorms::com::Library kTavelund{"Tavelund", kClasses};
//   VORMS_COM_SERVER_EXPORTS(kTavelund)
//
// Each class derives from vorms::com::DispatchObject<Interface> (dispatch.h). The
// library's type library is embedded as resource TYPELIB 1 (vorms_type_library in
// cmake/ComServer.cmake); registration and IDispatch both read it from there.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <span>
#include <string>

namespace vorms::com {

// Makes one object of a class and hands out the interface riid (one reference).
using Creator = HRESULT (*)(REFIID riid, void** out);

struct CoClass {
  const CLSID& clsid;
  const char* name;  // the class name; its ProgID is "<library>.<name>"
  Creator create;
};

struct Library {
  const char* name;  // the type library's name, first half of every ProgID
  std::span<const CoClass> classes;
};

std::string ProgId(const Library& library, const CoClass& coclass);

// The module (DLL) this code is linked into.
HMODULE ThisModule();

// The module's count of live objects (class factories included) and server locks; the
// library may be unloaded when it is zero. Object constructors and destructors call these.
void ObjectCreated();
void ObjectDestroyed();

// The reference count of an object the plumbing makes: one, the creator's, at first;
// the last Release deletes the object.
class ReferenceCount {
 public:
  ULONG AddRef() { return ::InterlockedIncrement(&count_); }
  template <typename Object>
  ULONG Release(Object* object) {
    const LONG count = ::InterlockedDecrement(&count_);
    if (count == 0) delete object;
    return count;
  }

 private:
  LONG count_ = 1;
};

// The entry points' work.
HRESULT GetClassObject(const Library& library, REFCLSID clsid, REFIID riid, void** out);
HRESULT CanUnloadNow();

// Writes, per class: HKCR\CLSID\{clsid} (default: the ProgID) with InprocServer32 (this
// module's path, ThreadingModel Apartment), ProgID, TypeLib and VERSION; HKCR\<ProgID>
// with its CLSID; then registers the embedded type library (RegisterTypeLib). A failure
// undoes what was written.
HRESULT RegisterServer(const Library& library);

// Removes what RegisterServer wrote; keys that are already gone are no failure.
HRESULT UnregisterServer(const Library& library);

}  // namespace vorms::com

// Defines the four exported entry points of a server from its Library; the matching
// exports come from comserver/exports.def (vorms_com_server in cmake/ComServer.cmake).
#define VORMS_COM_SERVER_EXPORTS(library)                                          \
  STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {              \
    return ::vorms::com::GetClassObject(library, clsid, riid, out);                \
  }                                                                                \
  STDAPI DllCanUnloadNow() { return ::vorms::com::CanUnloadNow(); }                \
  STDAPI DllRegisterServer() { return ::vorms::com::RegisterServer(library); }     \
  STDAPI DllUnregisterServer() { return ::vorms::com::UnregisterServer(library); }
