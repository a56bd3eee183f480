#include "file_system_calls.h"

#include "com_objects.h"
#include "com_text.h"
#include "ostrilen.h"

namespace vorms {
namespace {

// The text of a VARIANT result, as the run-time's text conversion gives it.
std::string TextOf(Variant& value) {
  if (value.type() == VT_EMPTY || value.type() == VT_NULL) return {};
  if (value.type() != VT_BSTR) CheckCall(::VariantChangeType(value.get(), value.get(), 0, VT_BSTR));
  return FromBstr(V_BSTR(value.get()));
}

}  // namespace

std::string FileVersionOf(const std::string& path) {
  auto fs = CreateObjectByClassId<_FileSystem>(CLSID_FileSystem);
  Bstr file = ToBstr(path);
  Variant version;
  CheckCall(fs->Get_File_FileVersion(file.inout(), version.receive()));
  return TextOf(version);
}

bool ChangeFileDateToNow(const std::string& path, std::string& date) {
  auto fs = CreateObjectByClassId<_FileSystem>(CLSID_FileSystem);
  Bstr file = ToBstr(path);
  Variant stamp = TextVariant(date);
  VARIANT_BOOL changed = VARIANT_FALSE;
  CheckCall(fs->FILE_CHANGE_DATE_TO_NOW(file.inout(), stamp.get(), &changed));
  date = TextOf(stamp);
  return changed == VARIANT_TRUE;
}

}  // namespace vorms
