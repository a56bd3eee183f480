// FileSystem: version resources, pattern folders, machine facts, registration of other
// COM libraries and file dates, for Vorms and for automation clients.
#pragma once

#include "dispatch.h"
#include "ostrilen.h"

namespace vorms::fslib {

class FileSystem final : public com::DispatchObject<_FileSystem> {
 public:
  HRESULT STDMETHODCALLTYPE Get_File_FileVersion(BSTR* File, VARIANT* result) override;
  HRESULT STDMETHODCALLTYPE PatternFolderVersion(BSTR* MyRoot, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE OperatingSystemType(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE Get_File_ProductVersion(BSTR* File, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE Get_FileInfo_Version(BSTR* File, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE Get_File_Private_Build(BSTR* File, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE Get_File_Special_build(BSTR* File, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE MEMORY_GET_FROM_PROCESS(BSTR* Process, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE MEMORY_GET_FROM_OS(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE OperatingSystem_IFitIsFrench(VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE RegisterDLL(BSTR* sFile, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE UnRegisterDLL(BSTR* sFile, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE GET_SYSTEM32_FOLDER(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE FILE_CHANGE_DATE_TO_NOW(BSTR* sFile, VARIANT* NewDateCreated,
                                                    VARIANT_BOOL* result) override;
};

}  // namespace vorms::fslib
