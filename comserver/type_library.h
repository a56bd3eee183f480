// The type library embedded in this module as resource TYPELIB 1: the one description
// of the library's classes and interfaces, read by registration and by IDispatch.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "handles.h"

namespace vorms::com {

HRESULT LoadModuleTypeLib(ComPtr<ITypeLib>& out) noexcept;

// The type information through which an interface is called: for a dual interface its
// function-table half, which ITypeInfo::Invoke and DispInvoke need.
HRESULT LoadInterfaceTypeInfo(REFIID iid, ComPtr<ITypeInfo>& out) noexcept;

}  // namespace vorms::com
