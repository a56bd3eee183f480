#include "file_system.h"

#include "arguments.h"
#include "com_text.h"
#include "dll_registration.h"
#include "file_dates.h"
#include "machine_facts.h"
#include "process_memory.h"
#include "version_info.h"

namespace vorms::fslib {

namespace {

// The stamp is written day first ("d/m/yyyy"), as French dates are: a caller's date
// variable reads it that way, whatever the user's own date order.
const LCID kStampLocale = MAKELCID(MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH), SORT_DEFAULT);

}  // namespace

using com::Flag;
using com::Ref;
using com::TextArg;
using com::TextResult;

HRESULT FileSystem::Get_File_FileVersion(BSTR* File, VARIANT* result) {
  return Call(
      [&] { TextVariant(fslib::Get_File_FileVersion(TextArg(File))).release(&Ref(result)); });
}

HRESULT FileSystem::PatternFolderVersion(BSTR* MyRoot, BSTR* result) {
  return Call([&] { Ref(result) = TextResult(fslib::PatternFolderVersion(TextArg(MyRoot))); });
}

HRESULT FileSystem::OperatingSystemType(BSTR* result) {
  return Call([&] { Ref(result) = TextResult(fslib::OperatingSystemType()); });
}

HRESULT FileSystem::Get_File_ProductVersion(BSTR* File, BSTR* result) {
  return Call([&] { Ref(result) = TextResult(fslib::Get_File_ProductVersion(TextArg(File))); });
}

HRESULT FileSystem::Get_FileInfo_Version(BSTR* File, BSTR* result) {
  return Call([&] { Ref(result) = TextResult(fslib::Get_FileInfo_Version(TextArg(File))); });
}

HRESULT FileSystem::Get_File_Private_Build(BSTR* File, BSTR* result) {
  return Call([&] { Ref(result) = TextResult(fslib::Get_File_Private_Build(TextArg(File))); });
}

HRESULT FileSystem::Get_File_Special_build(BSTR* File, BSTR* result) {
  return Call([&] { Ref(result) = TextResult(fslib::Get_File_Special_build(TextArg(File))); });
}

HRESULT FileSystem::MEMORY_GET_FROM_PROCESS(BSTR* Process, BSTR* result) {
  return Call(
      [&] { Ref(result) = TextResult(fslib::MEMORY_GET_FROM_PROCESS(TextArg(Process))); });
}

HRESULT FileSystem::MEMORY_GET_FROM_OS(BSTR* result) {
  return Call([&] { Ref(result) = TextResult(fslib::MEMORY_GET_FROM_OS()); });
}

HRESULT FileSystem::OperatingSystem_IFitIsFrench(VARIANT_BOOL* result) {
  return Call([&] { Ref(result) = Flag(fslib::OperatingSystem_IFitIsFrench()); });
}

HRESULT FileSystem::RegisterDLL(BSTR* sFile, BSTR* result) {
  return Call([&] { Ref(result) = TextResult(fslib::RegisterDLL(TextArg(sFile))); });
}

HRESULT FileSystem::UnRegisterDLL(BSTR* sFile, BSTR* result) {
  return Call([&] { Ref(result) = TextResult(fslib::UnRegisterDLL(TextArg(sFile))); });
}

HRESULT FileSystem::GET_SYSTEM32_FOLDER(BSTR* result) {
  return Call([&] { Ref(result) = TextResult(fslib::GET_SYSTEM32_FOLDER()); });
}

HRESULT FileSystem::FILE_CHANGE_DATE_TO_NOW(BSTR* sFile, VARIANT* NewDateCreated,
                                            VARIANT_BOOL* result) {
  return Call([&] {
    const bool changed =
        fslib::FILE_CHANGE_DATE_TO_NOW(TextArg(sFile), [&](const std::string& stamp) {
          com::SetTextArg(NewDateCreated, stamp, kStampLocale);
        });
    Ref(result) = Flag(changed);
  });
}

}  // namespace vorms::fslib
