#include "com_client.h"

#include <gtest/gtest.h>

#include "com_text.h"
#include "conversions.h"
#include "test_support.h"

namespace vorms::test {
namespace {

// The text of a value under HKEY_CLASSES_ROOT; "<missing>" when there is none.
std::string ClassesText(const std::string& key_path, const char* name = nullptr) {
  RegKey key;
  if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, key_path.c_str(), 0, KEY_READ, key.receive()) !=
      ERROR_SUCCESS) {
    return "<missing>";
  }
  char text[1024] = {};
  DWORD size = sizeof text - 1;
  if (::RegQueryValueExA(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(text),
                         &size) != ERROR_SUCCESS) {
    return "<missing>";
  }
  return text;
}

std::string TypeLibKey(const ServerRegistration& server) {
  return std::string("TypeLib\\") + server.library_id + "\\1.0\\0\\win64";
}

}  // namespace

Variant Text(const std::string& text) { return TextVariant(text); }

Variant Long(int32_t number) {
  Variant v;
  V_VT(v.get()) = VT_I4;
  V_I4(v.get()) = number;
  return v;
}

Variant LeftOut() {
  Variant v;
  V_VT(v.get()) = VT_ERROR;
  V_ERROR(v.get()) = DISP_E_PARAMNOTFOUND;
  return v;
}

HRESULT DispatchCall(IDispatch* object, DISPID id, std::vector<VARIANT*> arguments,
                     VARIANT* result, UINT* bad_argument) {
  const std::size_t count = arguments.size();
  std::vector<VARIANT> slots(count);  // DISPPARAMS holds the last argument first
  for (std::size_t i = 0; i < count; ++i) slots[count - 1 - i] = *arguments[i];
  DISPPARAMS params{slots.data(), nullptr, static_cast<UINT>(count), 0};
  Variant ignored;
  EXCEPINFO exception{};
  const HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                    result ? result : ignored.get(), &exception, bad_argument);
  for (std::size_t i = 0; i < count; ++i) *arguments[i] = slots[count - 1 - i];
  Bstr source = Bstr::Attach(exception.bstrSource);
  Bstr description = Bstr::Attach(exception.bstrDescription);
  Bstr help_file = Bstr::Attach(exception.bstrHelpFile);
  return hr == DISP_E_EXCEPTION ? exception.scode : hr;
}

DWORD Regsvr32(const std::string& options, const std::string& library) {
  ProcessResult result = RunProcess("regsvr32.exe " + options + " \"" + library + "\"");
  return result.timed_out ? WAIT_TIMEOUT : result.exit_code;
}

void ExpectRegistered(const ServerRegistration& server) {
  for (const RegisteredClass& c : server.classes) {
    const std::string key = std::string("CLSID\\") + c.clsid;
    SCOPED_TRACE(c.prog_id);
    EXPECT_EQ(ToUpper(ClassesText(key + "\\InprocServer32")), ToUpper(server.library_path));
    EXPECT_EQ(ClassesText(key + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(ClassesText(key + "\\ProgID"), c.prog_id);
    EXPECT_EQ(ClassesText(key + "\\TypeLib"), server.library_id);
    EXPECT_EQ(ClassesText(std::string(c.prog_id) + "\\CLSID"), c.clsid);
  }
  EXPECT_EQ(ToUpper(ClassesText(TypeLibKey(server))), ToUpper(server.library_path));
  for (const char* iid : server.interfaces) {
    EXPECT_EQ(ClassesText(std::string("Interface\\") + iid + "\\TypeLib"), server.library_id)
        << iid;
  }
}

void ExpectUnregistered(const ServerRegistration& server) {
  for (const RegisteredClass& c : server.classes) {
    EXPECT_EQ(ClassesText(std::string("CLSID\\") + c.clsid + "\\InprocServer32"), "<missing>");
    EXPECT_EQ(ClassesText(std::string(c.prog_id) + "\\CLSID"), "<missing>");
  }
  EXPECT_EQ(ClassesText(TypeLibKey(server)), "<missing>");
  for (const char* iid : server.interfaces) {
    EXPECT_EQ(ClassesText(std::string("Interface\\") + iid + "\\TypeLib"), "<missing>") << iid;
  }
}

}  // namespace vorms::test
