// The service's use of the two libraries: an apartment for the thread, an object made
// by class id for one call through its function table, and a failed call turned into
// the run-time error that the caller's trap reports.
#pragma once

#include <windows.h>

#include "errors.h"
#include "handles.h"

namespace vorms {

// The calling thread's single-threaded COM apartment, for the owner's lifetime.
class ComApartment {
 public:
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialized_;
};

// Raises the run-time's "can't create object" (429) when the class is not registered
// or cannot be loaded.
void* CreateObjectByClassId(const CLSID& clsid, const IID& iid);

template <typename Interface>
ComPtr<Interface> CreateObjectByClassId(const CLSID& clsid) {
  return ComPtr<Interface>::Attach(
      static_cast<Interface*>(CreateObjectByClassId(clsid, __uuidof(Interface))));
}

// Raises a run-time error for a failed call: the object's own error text when it left
// one, "Automation error" otherwise.
void CheckCall(HRESULT hr);

}  // namespace vorms
