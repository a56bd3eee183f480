// RegSz from a C++ client through the function table: keys, typed values and name lists
// over a private registry key.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "com_text.h"
#include "tavelund_fixture.h"

namespace vorms::test {
namespace {

// The texts of a list as RegSz returns it: lower bound 0, VARIANTs holding texts.
std::vector<std::string> Texts(SAFEARRAY* list) {
  std::vector<std::string> texts;
  if (!list) return {"<no list>"};
  LONG lower = 0, upper = -1;
  VARTYPE type = VT_EMPTY;
  ::SafeArrayGetVartype(list, &type);
  ::SafeArrayGetLBound(list, 1, &lower);
  ::SafeArrayGetUBound(list, 1, &upper);
  EXPECT_EQ(::SafeArrayGetDim(list), 1u);
  EXPECT_EQ(lower, 0);
  EXPECT_EQ(type, VT_VARIANT);
  for (LONG i = lower; i <= upper; ++i) {
    Variant element;
    ::SafeArrayGetElement(list, &i, element.receive());
    texts.push_back(element.type() == VT_BSTR ? FromBstr(V_BSTR(element.get()))
                                              : "<vt" + std::to_string(element.type()) + ">");
  }
  return texts;
}

// A value as a test reads it: "long 5", "text abc", "byte 7", "[text a|text b]", "empty".
std::string Describe(const VARIANT& value) {
  switch (V_VT(&value)) {
    case VT_EMPTY:
      return "empty";
    case VT_I4:
      return "long " + std::to_string(V_I4(&value));
    case VT_UI1:
      return "byte " + std::to_string(V_UI1(&value));
    case VT_BSTR:
      return "text " + FromBstr(V_BSTR(&value));
    case VT_ARRAY | VT_VARIANT: {
      SAFEARRAY* list = V_ARRAY(&value);
      LONG lower = 0, upper = -1;
      ::SafeArrayGetLBound(list, 1, &lower);
      ::SafeArrayGetUBound(list, 1, &upper);
      EXPECT_EQ(lower, 0);
      std::string text = "[";
      for (LONG i = lower; i <= upper; ++i) {
        Variant element;
        ::SafeArrayGetElement(list, &i, element.receive());
        if (i > lower) text += '|';
        text += Describe(*element.get());
      }
      return text + "]";
    }
    default:
      return "vt" + std::to_string(V_VT(&value));
  }
}

Variant Short(int16_t number) {
  Variant v;
  V_VT(v.get()) = VT_I2;
  V_I2(v.get()) = number;
  return v;
}

Variant Byte(BYTE byte) {
  Variant v;
  V_VT(v.get()) = VT_UI1;
  V_UI1(v.get()) = byte;
  return v;
}

Variant OfType(VARTYPE type) {
  Variant v;
  V_VT(v.get()) = type;
  V_R8(v.get()) = 1.5;  // 1.5 as a double; some number for dates and flags
  return v;
}

// An array of BSTR (as C++ and typed clients have) or of VARIANTs (as scripts have).
Variant TextArray(const std::vector<std::string>& texts, VARTYPE element_type = VT_BSTR) {
  SafeArray array(::SafeArrayCreateVector(element_type, 0, static_cast<ULONG>(texts.size())));
  for (LONG i = 0; i < static_cast<LONG>(texts.size()); ++i) {
    Variant text = Text(texts[static_cast<std::size_t>(i)]);
    if (element_type == VT_BSTR) {
      ::SafeArrayPutElement(array.get(), &i, V_BSTR(text.get()));
    } else {
      ::SafeArrayPutElement(array.get(), &i, text.get());
    }
  }
  Variant v;
  V_VT(v.get()) = VT_ARRAY | element_type;
  V_ARRAY(v.get()) = array.release();
  return v;
}

Variant ScriptArray(const std::vector<Variant>& elements) {
  SafeArray array(::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(elements.size())));
  for (LONG i = 0; i < static_cast<LONG>(elements.size()); ++i) {
    ::SafeArrayPutElement(array.get(), &i,
                          const_cast<VARIANT*>(elements[static_cast<std::size_t>(i)].get()));
  }
  Variant v;
  V_VT(v.get()) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(v.get()) = array.release();
  return v;
}

Variant ByteArray(const std::string& bytes, LONG lower_bound = 0) {
  SAFEARRAYBOUND bound{static_cast<ULONG>(bytes.size()), lower_bound};
  SafeArray array(::SafeArrayCreate(VT_UI1, 1, &bound));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    LONG index = lower_bound + static_cast<LONG>(i);
    BYTE byte = static_cast<BYTE>(bytes[i]);
    ::SafeArrayPutElement(array.get(), &index, &byte);
  }
  Variant v;
  V_VT(v.get()) = VT_ARRAY | VT_UI1;
  V_ARRAY(v.get()) = array.release();
  return v;
}

class Values {
 public:
  Values() : object_(CreateObject<_RegSz>(CLSID_RegSz)) {
    EXPECT_TRUE(object_) << "Tavelund.RegSz is not registered";
  }

  bool KeyExists(const std::string& key) {
    VARIANT_BOOL result = VARIANT_FALSE;
    EXPECT_EQ(object_->KeyExists(kCurrentUser, ToBstr(key).get(), &result), S_OK);
    EXPECT_TRUE(result == VARIANT_TRUE || result == VARIANT_FALSE);
    return result == VARIANT_TRUE;
  }
  LONG CreateKey(const std::string& key, LONG root = kCurrentUser) {
    LONG status = -1;
    EXPECT_EQ(object_->CreateKey(root, ToBstr(key).get(), &status), S_OK);
    return status;
  }
  LONG DeleteKey(const std::string& key) {
    LONG status = -1;
    EXPECT_EQ(object_->DeleteKey(kCurrentUser, ToBstr(key).get(), &status), S_OK);
    return status;
  }
  std::vector<std::string> EnumKeys(const std::string& key) {
    SafeArray list;
    EXPECT_EQ(object_->EnumKeys(kCurrentUser, ToBstr(key).get(), list.receive()), S_OK);
    return Texts(list.get());
  }
  HRESULT SetValue(const std::string& key, const std::string& name, Variant value, LONG& status) {
    LONG root = kCurrentUser;
    Bstr path = ToBstr(key), value_name = ToBstr(name);
    return object_->SetValue(&root, path.inout(), value_name.inout(), value.get(), &status);
  }
  LONG SetValue(const std::string& key, const std::string& name, Variant value) {
    LONG status = -1;
    EXPECT_EQ(SetValue(key, name, std::move(value), status), S_OK);
    return status;
  }
  std::string GetValue(const std::string& key, const std::string& name,
                       Variant default_value = Text("default")) {
    LONG root = kCurrentUser;
    Bstr path = ToBstr(key), value_name = ToBstr(name);
    Variant result;
    EXPECT_EQ(object_->GetValue(&root, path.inout(), value_name.inout(), default_value.get(),
                                result.receive()),
              S_OK);
    return Describe(*result.get());
  }
  LONG DeleteValue(const std::string& key, const std::string& name) {
    LONG status = -1;
    EXPECT_EQ(object_->DeleteValue(kCurrentUser, ToBstr(key).get(), ToBstr(name).get(), &status),
              S_OK);
    return status;
  }
  std::vector<std::string> EnumValues(const std::string& key, LONG data_type) {
    LONG root = kCurrentUser;
    Bstr path = ToBstr(key);
    SafeArray list;
    EXPECT_EQ(object_->EnumValues(&root, path.inout(), &data_type, list.receive()), S_OK);
    return Texts(list.get());
  }

 private:
  ComPtr<_RegSz> object_;
};

constexpr LONG kAll = 0;  // ENUM_TYPES REG_ALL

TEST(RegSzKeys, CreateFindAndDeleteKeysWithThePlatformsStatus) {
  TestKey key;
  Values values;
  EXPECT_FALSE(values.KeyExists(key.Below("A")));
  EXPECT_EQ(values.CreateKey(key.Below("A\\B")), ERROR_SUCCESS);
  EXPECT_TRUE(values.KeyExists(key.Below("A\\B")));
  EXPECT_EQ(values.CreateKey(key.Below("A\\B")), ERROR_SUCCESS) << "an existing key opens";
  EXPECT_NE(values.DeleteKey(key.Below("A")), ERROR_SUCCESS) << "it still has a subkey";
  EXPECT_TRUE(key.Exists("A"));
  EXPECT_EQ(values.DeleteKey(key.Below("A\\B")), ERROR_SUCCESS);
  EXPECT_FALSE(key.Exists("A\\B"));
  EXPECT_EQ(values.DeleteKey(key.Below("A\\B")), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(values.CreateKey("Software", 0x12345), ERROR_INVALID_HANDLE) << "not a root";
}

TEST(RegSzKeys, EnumKeysListsNamesAfterAnEmptyElement) {
  TestKey key;
  Values values;
  EXPECT_EQ(values.EnumKeys(key.path()), std::vector<std::string>{""});
  EXPECT_EQ(values.EnumKeys(key.Below("Missing")), std::vector<std::string>{""});
  key.Create("B");
  key.Create("A");
  EXPECT_EQ(values.EnumKeys(key.path()), (std::vector<std::string>{"", "A", "B"}));
}

struct SetCase {
  const char* what;
  Variant value;
  RawValue stored;
  const char* read_back;
};

TEST(RegSzValues, SetValueWritesByVariantTypeOnAKeyItCreatesAndGetValueReadsItBack) {
  std::vector<Variant> script_texts;
  script_texts.push_back(Text("x"));
  script_texts.push_back(Text("y"));
  std::vector<Variant> script_bytes;
  script_bytes.push_back(Byte(7));
  script_bytes.push_back(Byte(0));
  std::vector<Variant> mixed;
  mixed.push_back(Text("x"));
  mixed.push_back(Byte(1));
  SetCase cases[] = {
      {"32-bit integer", Long(5), {true, REG_DWORD, Dword(5)}, "long 5"},
      {"16-bit integer", Short(-3), {true, REG_DWORD, Dword(-3)}, "long -3"},
      {"text", Text("abc"), {true, REG_SZ, std::string("abc\0", 4)}, "text abc"},
      {"array of texts", TextArray({"a", "b"}), {true, REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
       "[text a|text b]"},
      {"script array of texts", ScriptArray(script_texts),
       {true, REG_MULTI_SZ, std::string("x\0y\0\0", 5)}, "[text x|text y]"},
      {"empty array of texts", TextArray({}), {true, REG_MULTI_SZ, std::string(2, '\0')}, "[]"},
      {"bytes", ByteArray("\x01\x02\xFF"), {true, REG_BINARY, "\x01\x02\xFF"},
       "[byte 1|byte 2|byte 255]"},
      {"bytes from index 0 only", ByteArray("\x09\x01\x02", -1), {true, REG_BINARY, "\x01\x02"},
       "[byte 1|byte 2]"},
      {"no bytes", ByteArray(""), {true, REG_BINARY, ""}, "[]"},
      {"bytes that all lie below index 0", ByteArray("\x01\x02", -3), {true, REG_BINARY, ""}, "[]"},
      {"script array of bytes", ScriptArray(script_bytes),
       {true, REG_BINARY, std::string("\x07\0", 2)}, "[byte 7|byte 0]"},
      {"floating point", OfType(VT_R8), {false, REG_NONE, ""}, "text default"},
      {"date", OfType(VT_DATE), {false, REG_NONE, ""}, "text default"},
      {"flag", OfType(VT_BOOL), {false, REG_NONE, ""}, "text default"},
      {"empty", Variant(), {false, REG_NONE, ""}, "text default"},
      {"script array mixing texts and bytes", ScriptArray(mixed), {false, REG_NONE, ""},
       "text default"},
  };
  Values values;
  for (SetCase& c : cases) {
    SCOPED_TRACE(c.what);
    TestKey key;
    EXPECT_EQ(values.SetValue(key.Below("New"), "Value", std::move(c.value)), ERROR_SUCCESS);
    EXPECT_TRUE(key.Exists("New"));
    const RawValue stored = key.Get("Value", "New");
    EXPECT_EQ(stored.exists, c.stored.exists);
    EXPECT_EQ(stored.type, c.stored.type);
    EXPECT_EQ(stored.bytes, c.stored.bytes);
    EXPECT_EQ(values.GetValue(key.Below("New"), "Value"), c.read_back);
  }
}

// An array made for one element type, filled, and tagged as it is or as another, as a
// careless client might. The elements are no zeros, so that reading them by the wrong
// type reads pointers that point nowhere.
Variant Array(VARTYPE tag, VARTYPE holds, LONG lower_bound = 0, ULONG count = 2) {
  SAFEARRAYBOUND bound{count, lower_bound};
  SafeArray array(::SafeArrayCreate(holds, 1, &bound));
  for (LONGLONG index = lower_bound; index < lower_bound + LONGLONG{count} && index <= LONG_MAX;
       ++index) {
    Variant text = Text("element");
    LONG number = 0x12345678;
    void* element = holds == VT_BSTR      ? static_cast<void*>(V_BSTR(text.get()))
                    : holds == VT_VARIANT ? static_cast<void*>(text.get())
                    : holds == VT_UNKNOWN ? nullptr
                                          : static_cast<void*>(&number);
    LONG at = static_cast<LONG>(index);
    ::SafeArrayPutElement(array.get(), &at, element);
  }
  Variant v;
  V_VT(v.get()) = VT_ARRAY | tag;
  V_ARRAY(v.get()) = array.release();
  return v;
}

Variant NoArray(VARTYPE tag) {
  Variant v;
  V_VT(v.get()) = VT_ARRAY | tag;
  V_ARRAY(v.get()) = nullptr;
  return v;
}

// A VARIANT that refers to another one, which the caller keeps.
Variant RefTo(VARIANT* value) {
  Variant v;
  V_VT(v.get()) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(v.get()) = value;
  return v;
}

constexpr HRESULT kSubscriptOutOfRange = static_cast<HRESULT>(0x800A0009);  // run-time error 9

struct RefusedCase {
  const char* what;
  Variant value;
  HRESULT expected;
};

// Both ways a client calls SetValue: through the function table and through IDispatch.
HRESULT SetValueBothWays(Values& values, const std::string& path, VARIANT* value) {
  LONG status = -1;
  Variant copy;
  ::VariantCopy(copy.get(), value);
  const HRESULT table = values.SetValue(path, "Value", std::move(copy), status);
  ComPtr<IDispatch> object = CreateObject<IDispatch>(CLSID_RegSz);
  Variant root = Long(kCurrentUser), key = Text(path), name = Text("Value");
  const HRESULT dispatch = DispatchCall(object.get(), 0x60030004,
                                        {root.get(), key.get(), name.get(), value});
  EXPECT_EQ(dispatch, table) << "through IDispatch";
  return table;
}

TEST(RegSzValues, ArraysThatDoNotHoldWhatTheirTagSaysAreATypeMismatchAndWriteNothing) {
  Variant held_by_reference = Array(VT_BSTR, VT_I4);
  Variant typed_reference;
  V_VT(typed_reference.get()) = VT_BYREF | VT_ARRAY | VT_BSTR;
  V_ARRAYREF(typed_reference.get()) = &V_ARRAY(held_by_reference.get());
  Variant referred = Array(VT_UI1, VT_VARIANT);
  std::vector<Variant> nested;
  nested.push_back(Text("a"));
  nested.push_back(Array(VT_BSTR, VT_R8));
  RefusedCase cases[] = {
      {"texts holding VARIANTs", Array(VT_BSTR, VT_VARIANT), DISP_E_TYPEMISMATCH},
      {"texts holding 32-bit numbers", Array(VT_BSTR, VT_I4), DISP_E_TYPEMISMATCH},
      {"texts holding bytes", Array(VT_BSTR, VT_UI1), DISP_E_TYPEMISMATCH},
      {"bytes holding VARIANTs", Array(VT_UI1, VT_VARIANT), DISP_E_TYPEMISMATCH},
      {"bytes holding texts", Array(VT_UI1, VT_BSTR), DISP_E_TYPEMISMATCH},
      {"bytes holding 16-bit numbers", Array(VT_UI1, VT_I2), DISP_E_TYPEMISMATCH},
      {"VARIANTs holding texts", Array(VT_VARIANT, VT_BSTR), DISP_E_TYPEMISMATCH},
      {"VARIANTs holding objects", Array(VT_VARIANT, VT_UNKNOWN), DISP_E_TYPEMISMATCH},
      {"a reference to texts holding numbers", std::move(typed_reference), DISP_E_TYPEMISMATCH},
      {"a VARIANT reference to bytes holding VARIANTs", RefTo(referred.get()),
       DISP_E_TYPEMISMATCH},
      {"a script array holding a mistagged array", ScriptArray(nested), DISP_E_TYPEMISMATCH},
      // Arrays whose elements cannot all be indexed, and no array at all.
      {"bytes without element 0", ByteArray("\x01\x02", 1), kSubscriptOutOfRange},
      {"texts up to the largest index", Array(VT_BSTR, VT_BSTR, LONG_MAX - 1),
       kSubscriptOutOfRange},
      {"bytes past the largest index", Array(VT_UI1, VT_UI1, LONG_MAX), kSubscriptOutOfRange},
      {"texts tagged but no array", NoArray(VT_BSTR), kSubscriptOutOfRange},
  };
  TestKey key;
  Values values;
  for (RefusedCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(SetValueBothWays(values, key.Below("New"), c.value.get()), c.expected);
    EXPECT_FALSE(key.Exists("New")) << "nothing is written, not even the key";
  }
}

TEST(RegSzValues, ReferencesThatLeadNowhereAreRefusedBeforeAnythingIsRead) {
  TestKey key;
  ComPtr<_RegSz> object = CreateObject<_RegSz>(CLSID_RegSz);
  LONG root = kCurrentUser;
  Bstr path = ToBstr(key.path()), name = ToBstr("Missing");
  Variant to_nothing, result;
  V_VT(to_nothing.get()) = VT_BYREF | VT_I4;
  V_I4REF(to_nothing.get()) = nullptr;
  EXPECT_EQ(object->GetValue(&root, path.inout(), name.inout(), to_nothing.get(), result.receive()),
            E_POINTER)
      << "a missing value would give this Default";
  LONG status = -1;
  EXPECT_EQ(object->SetValue(&root, path.inout(), name.inout(), to_nothing.get(), &status),
            E_POINTER);

  // Through IDispatch the type library's dispatch would read them itself: refused before.
  Variant loop;
  V_VT(loop.get()) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(loop.get()) = loop.get();
  Variant root_to_nothing = RefTo(to_nothing.get());
  Variant root_value = Long(kCurrentUser), key_text = Text(key.path()), name_text = Text("Missing");
  ComPtr<IDispatch> dispatch = CreateObject<IDispatch>(CLSID_RegSz);
  UINT bad = 99;
  EXPECT_EQ(DispatchCall(dispatch.get(), 0x60030005,
                         {root_to_nothing.get(), key_text.get(), name_text.get(), Text("").get()},
                         nullptr, &bad),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(bad, 3u) << "the first argument, last in DISPPARAMS";
  EXPECT_EQ(DispatchCall(dispatch.get(), 0x60030005,
                         {root_value.get(), key_text.get(), name_text.get(), loop.get()}, nullptr,
                         &bad),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(bad, 0u);
  DISPPARAMS arguments_not_there{nullptr, nullptr, 2, 0};
  EXPECT_EQ(dispatch->Invoke(0x60030000, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                             &arguments_not_there, nullptr, nullptr, nullptr),
            E_INVALIDARG);
}

struct GetCase {
  const char* what;
  DWORD type;
  std::string data;
  const char* expected;
};

TEST(RegSzValues, GetValueReadsEachTypeSoundlyWhateverItsData) {
  const GetCase cases[] = {
      {"text without its zero", REG_SZ, "abc", "text abc"},
      {"text up to its first zero", REG_SZ, std::string("ab\0cd\0", 6), "text ab"},
      {"multi-string up to its first pair of zeros", REG_MULTI_SZ, std::string("a\0b\0\0c\0\0", 8),
       "[text a|text b]"},
      {"multi-string without its final zero", REG_MULTI_SZ, std::string("a\0b\0", 4),
       "[text a|text b]"},
      {"multi-string without any final zero", REG_MULTI_SZ, std::string("a\0b", 3),
       "[text a|text b]"},
      {"empty multi-string", REG_MULTI_SZ, std::string(2, '\0'), "[]"},
      {"zero-length binary", REG_BINARY, "", "[]"},
      {"double word", REG_DWORD, Dword(-1), "long -1"},
      {"double word too long for a number", REG_DWORD, Dword(1) + Dword(2), "text default"},
      {"expandable text", REG_EXPAND_SZ, std::string("%PATH%\0", 7), "empty"},
  };
  TestKey key;
  Values values;
  for (const GetCase& c : cases) {
    key.Set("Value", c.type, c.data);
    EXPECT_EQ(values.GetValue(key.path(), "Value"), c.expected) << c.what;
  }
}

TEST(RegSzValues, GetValueGivesDefaultForAMissingValueAndEmptyForAMissingKey) {
  TestKey key;
  Values values;
  EXPECT_EQ(values.GetValue(key.path(), "Missing", Text("fallback")), "text fallback");
  EXPECT_EQ(values.GetValue(key.path(), "Missing", Long(7)), "long 7");
  EXPECT_EQ(values.GetValue(key.Below("Missing"), "Value", Text("fallback")), "empty");
}

TEST(RegSzValues, DeleteValueReportsOnlyWhatFails) {
  TestKey key;
  key.SetText("Value", "x");
  Values values;
  EXPECT_EQ(values.DeleteValue(key.path(), "Value"), ERROR_SUCCESS);
  EXPECT_FALSE(key.Get("Value").exists);
  EXPECT_EQ(values.DeleteValue(key.path(), "Value"), ERROR_SUCCESS) << "a missing value";
  EXPECT_EQ(values.DeleteValue(key.Below("Missing"), "Value"), ERROR_FILE_NOT_FOUND);
}

TEST(RegSzValues, EnumValuesListsTheNamesOfOneTypeOrAllAfterAnEmptyElement) {
  TestKey key;
  key.SetText("Name", "x");
  key.Set("Count", REG_DWORD, Dword(5));
  const std::string long_name(300, 'v');
  key.Set(long_name, REG_DWORD, Dword(6));
  Values values;

  std::vector<std::string> all = {""}, dwords = {""};
  for (const std::string& name : key.ValueNames()) {
    all.push_back(name);
    if (name != "Name") dwords.push_back(name);
  }
  EXPECT_EQ(values.EnumValues(key.path(), kAll), all);
  EXPECT_EQ(values.EnumValues(key.path(), REG_DWORD), dwords);
  EXPECT_EQ(values.EnumValues(key.path(), REG_SZ), (std::vector<std::string>{"", "Name"}));
  EXPECT_EQ(values.EnumValues(key.path(), REG_MULTI_SZ), std::vector<std::string>{""});
  EXPECT_EQ(values.EnumValues(key.Below("Missing"), kAll), std::vector<std::string>{""});
}

}  // namespace
}  // namespace vorms::test
