#include "dispatch_fuzz.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <iterator>
#include <random>
#include <set>
#include <thread>

#include "com_text.h"
#include "process_figures.h"

namespace vorms::test {
namespace {

constexpr uint32_t kDefaultSeed = 20260108;
constexpr ULONGLONG kLongestCallMs = 60000;
constexpr int kMostFailuresReported = 20;
// Wine opens and caches some handles and memory on first use; after the warm-up rounds
// a run's heap blocks move by 8 at most. One handle leaked, or one heap block leaked in
// a few calls of one method, shows.
constexpr DWORD kHandleMargin = 4;
constexpr double kPrivateMegabytesMargin = 1;
constexpr std::size_t kHeapBlockMargin = 24;

// Which calls: a careless caller's, anything at all; or calls the type library's
// dispatch takes as they are (every parameter in its place, each typed one a value of its
// type or a reference to one, a parameter that receives a value a variable, that is a
// reference), whose VARIANT parameters still get anything. The second kind measure leaks:
// Wine's dispatch (ITypeInfo::Invoke) leaks the converted copies of the earlier arguments
// of a call it refuses for a later one (a wrong count, a type it cannot convert), more
// when some arguments are named, and its copy of a value passed to an in-out VARIANT when
// what the method left there does not convert back to the value's type.
enum class FuzzCalls { kCareless, kDispatchable };

// Texts of every shape a client might pass: numbers and dates as text, separators,
// characters outside the ANSI code page, an embedded zero, long ones.
const std::vector<std::wstring>& Texts() {
  static const std::vector<std::wstring> texts = {
      L"", L"a", L"Value", L"5", L"-1", L"1.5", L"1,5", L"4294967296", L"True",
      L"8/1/2026  9:5:3", L"12:00", L"%PATH%", L"\\", L"a\\b", L"\u00e9\u20ac", L"\u4e2d\u6587",
      std::wstring(L"a\0b", 3), std::wstring(300, L'v'), std::wstring(5000, L'w'),
  };
  return texts;
}

const int32_t kNumbers[] = {0,       1,        -1,       3,       4,       7,
                            255,     256,      32767,    -32768,  INT_MAX, INT_MIN,
                            INT_MIN + 1, INT_MIN + 2, 0x12345};

// Lower bounds of arrays: the usual 0, off by one, and at both ends of the index range.
const LONG kLowerBounds[] = {0, 0, 0, 1, -1, -3, 7, LONG_MAX, LONG_MAX - 1, LONG_MIN};

// Element types an array may really hold, and the ones its VARIANT may claim.
const VARTYPE kElementTypes[] = {VT_BSTR, VT_UI1,  VT_VARIANT, VT_I4,     VT_I2,   VT_R8,
                                 VT_DATE, VT_BOOL, VT_ERROR,   VT_UNKNOWN, VT_DISPATCH};
const VARTYPE kClaimedTypes[] = {VT_BSTR, VT_UI1, VT_VARIANT, VT_I4, VT_I2, VT_R8};

// Types a typed reference may point to (their value lies in a VARIANT's data field).
const VARTYPE kReferencedTypes[] = {VT_I2,   VT_I4,    VT_R8,      VT_DATE,       VT_BOOL,
                                    VT_BSTR, VT_UI1,   VT_CY,      VT_ERROR,      VT_I8,
                                    VT_DISPATCH, VT_ARRAY | VT_BSTR, VT_ARRAY | VT_VARIANT,
                                    VT_ARRAY | VT_UI1};

// What any call may answer: success, the method's own failure (DISP_E_EXCEPTION), or the
// dispatch layer refusing the arguments, the count, the names or the member.
const std::set<HRESULT> kCallResults = {
    S_OK,           DISP_E_EXCEPTION,      DISP_E_TYPEMISMATCH, DISP_E_PARAMNOTFOUND,
    DISP_E_BADPARAMCOUNT, DISP_E_MEMBERNOTFOUND, DISP_E_BADVARTYPE, DISP_E_OVERFLOW,
    DISP_E_NONAMEDARGS, DISP_E_UNKNOWNNAME,  E_INVALIDARG,
};

// What a method may fail with: an argument it cannot use or convert (the conversion's
// code: E_INVALIDARG for a date before the year 100 or a byte array of two dimensions
// read as text), a reference to nothing, and the run-time's errors for arrays it cannot
// read (5 invalid procedure call, 9 subscript out of range).
const std::set<HRESULT> kMethodFailures = {
    DISP_E_TYPEMISMATCH, DISP_E_BADVARTYPE, DISP_E_OVERFLOW, E_INVALIDARG, E_POINTER,
    static_cast<HRESULT>(0x800A0005), static_cast<HRESULT>(0x800A0009),
};

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

// A text for the description: control characters escaped, a long one cut.
std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (char c : FromUtf16(text.substr(0, 20))) {
    narrow += static_cast<unsigned char>(c) < ' ' ? "\\x" + std::to_string(c) : std::string(1, c);
  }
  if (text.size() > 20) narrow += "...(" + std::to_string(text.size()) + ")";
  return "\"" + narrow + "\"";
}

// How a parameter is declared in the type library: a text, a number (the enumerations
// are 32-bit numbers) or a VARIANT, by value or by reference.
struct Declared {
  VARTYPE type = VT_VARIANT;
  bool by_reference = true;
};

Declared DeclaredAs(const TYPEDESC& described) {
  const bool by_reference = described.vt == VT_PTR;
  const VARTYPE type = by_reference ? described.lptdesc->vt : described.vt;
  return {type == VT_USERDEFINED ? VARTYPE{VT_I4} : type, by_reference};
}

// The declared parameters of a method, from the object's own type information.
std::vector<Declared> DeclaredParameters(IDispatch* object, DISPID id) {
  std::vector<Declared> parameters;
  ComPtr<ITypeInfo> info;
  TYPEATTR* attributes = nullptr;
  if (FAILED(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.receive())) ||
      FAILED(info->GetTypeAttr(&attributes))) {
    return parameters;
  }
  for (UINT index = 0; index < attributes->cFuncs; ++index) {
    FUNCDESC* function = nullptr;
    if (FAILED(info->GetFuncDesc(index, &function))) continue;
    if (function->memid == id) {
      for (SHORT p = 0; p < function->cParams; ++p) {
        parameters.push_back(DeclaredAs(function->lprgelemdescParam[p].tdesc));
      }
    }
    info->ReleaseFuncDesc(function);
  }
  info->ReleaseTypeAttr(attributes);
  return parameters;
}

// One call as the fuzzer makes it: the arguments (DISPPARAMS holds the last one first),
// what their references point to, and a description to repeat the call by. Everything
// is freed at the end, whatever the call left in it.
class FuzzCall {
 public:
  FuzzCall(std::mt19937& random, const FuzzMethod* method, const std::vector<Declared>& declared,
           FuzzCalls calls)
      : random_(random), declared_(declared), careless_(calls == FuzzCalls::kCareless) {
    Build(method);
  }
  ~FuzzCall() {
    for (VARIANT& argument : arguments_) ::VariantClear(&argument);
    for (auto held = held_.rbegin(); held != held_.rend(); ++held) ::VariantClear(&*held);
  }
  FuzzCall(const FuzzCall&) = delete;
  FuzzCall& operator=(const FuzzCall&) = delete;

  DISPPARAMS* params() { return &params_; }
  WORD flags() const { return flags_; }
  const std::string& description() const { return description_; }

  // The references the call was handed, as it left them: each must still refer where it
  // referred (a method writes through a reference, never over it).
  std::string ChangedReferences() const {
    std::string changed;
    for (const Reference& r : references_) {
      if (V_VT(r.where) != r.type || V_BYREF(r.where) != r.target) {
        changed += " [" + r.what + " now has type " + Hex(V_VT(r.where)) + "]";
      }
    }
    return changed;
  }

 private:
  struct Reference {
    const VARIANT* where;
    VARTYPE type;
    void* target;
    std::string what;
  };

  int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
  bool Chance(int percent) { return Below(100) < percent; }
  template <typename T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(static_cast<int>(N))];
  }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[static_cast<std::size_t>(Below(static_cast<int>(items.size())))];
  }
  int32_t Number() { return Chance(80) ? Pick(kNumbers) : static_cast<int32_t>(random_()); }

  VARIANT& Held() {
    held_.emplace_back();
    ::VariantInit(&held_.back());
    return held_.back();
  }

  void Build(const FuzzMethod* method) {
    const int parameters = method ? static_cast<int>(method->parameters.size()) : 2;
    // Every parameter in its place; a careless caller now and then names the later ones,
    // leaves some out, passes more (the extra ones fall on the result or nowhere) or
    // names parameters that are not there.
    int positional = parameters;
    if (careless_ && Chance(10)) {
      positional = Below(parameters + 1);
    } else if (careless_ && Chance(5)) {
      positional = parameters + 1 + Below(2);
    }
    std::vector<DISPID> named;
    for (int p = positional; p < parameters; ++p) {
      if (!careless_ || Chance(50)) named.push_back(p);
    }
    if (careless_ && Chance(3)) named.push_back(Chance(50) ? parameters + 3 : -7);
    std::shuffle(named.begin(), named.end(), random_);

    arguments_.resize(named.size() + static_cast<std::size_t>(positional));
    for (VARIANT& argument : arguments_) ::VariantInit(&argument);
    named_ = named;
    description_ = method ? method->name : "unknown member";
    description_ += "(";
    for (std::size_t n = 0; n < named.size(); ++n) {
      description_ += (n ? ", " : "") + std::string("[") + std::to_string(named[n]) + "]=";
      Fill(arguments_[n], Parameter(method, named[n]), named[n]);
    }
    for (int p = 0; p < positional; ++p) {
      description_ += (p || !named.empty() ? ", " : "");
      Fill(arguments_[named.size() + static_cast<std::size_t>(positional - 1 - p)],
           Parameter(method, p), p);
    }
    description_ += ")";

    const int kind = careless_ ? Below(100) : Below(95);
    flags_ = kind < 85   ? DISPATCH_METHOD
             : kind < 95 ? DISPATCH_METHOD | DISPATCH_PROPERTYGET
             : kind < 98 ? DISPATCH_PROPERTYGET
                         : DISPATCH_PROPERTYPUT;
    description_ += " flags " + std::to_string(flags_);
    params_ = {arguments_.data(), named_.empty() ? nullptr : named_.data(),
               static_cast<UINT>(arguments_.size()), static_cast<UINT>(named_.size())};
  }

  // The parameter an argument stands for; none for one past the method's parameters
  // (or for a member the object does not have), which gets a harmless argument.
  static const FuzzParameter* Parameter(const FuzzMethod* method, DISPID index) {
    if (!method || index < 0 || index >= static_cast<DISPID>(method->parameters.size())) {
      return nullptr;
    }
    return &method->parameters[static_cast<std::size_t>(index)];
  }

  // A parameter held to its allowed values gets one of them. A free typed parameter mostly
  // gets a value of its type, so that most calls reach the method (a careless caller's
  // now and then anything at all); a VARIANT parameter anything, arrays more often than
  // chance would give them; one that receives a value, from a careful caller, a variable.
  void Fill(VARIANT& argument, const FuzzParameter* parameter, DISPID index) {
    std::string what;
    const Declared declared = static_cast<std::size_t>(index) < declared_.size()
                                  ? declared_[static_cast<std::size_t>(index)]
                                  : Declared{};
    if (!parameter) {
      Harmless(argument, what);
    } else if (!parameter->free()) {
      Allowed(argument, *parameter, declared, what);
    } else if (parameter->receives && !careless_) {
      Variable(argument, what);
    } else if (declared.type != VT_VARIANT && (!careless_ || Chance(85))) {
      Fitting(argument, declared, what);
    } else if (declared.type == VT_VARIANT && Chance(30)) {
      Array(argument, 0, what);
    } else {
      Any(argument, 0, what);
    }
    description_ += what;
    Record(argument, "argument " + std::to_string(index));
  }

  void Record(const VARIANT& value, const std::string& what) {
    if (V_VT(&value) & VT_BYREF) {
      references_.push_back({&value, V_VT(&value), V_BYREF(&value), what});
    }
  }

  static void SetText(VARIANT& value, const std::wstring& text) {
    V_VT(&value) = VT_BSTR;
    V_BSTR(&value) = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }
  static void SetNumber(VARIANT& value, int32_t number) {
    V_VT(&value) = VT_I4;
    V_I4(&value) = number;
  }

  // A reference to a value held for the call.
  void ReferTo(VARIANT& argument, VARIANT& held, std::string& what) {
    V_VT(&argument) = VT_BYREF | V_VT(&held);
    V_BYREF(&argument) = &V_UI1(&held);  // every referenced type's value starts there
    what = "ref " + what;
  }
  void ReferToVariant(VARIANT& argument, VARIANT& held, std::string& what) {
    V_VT(&argument) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&argument) = &held;
    Record(held, "referenced VARIANT");
    what = "ref VARIANT -> " + what;
  }

  // Something that reaches no method and owns nothing (a result parameter may receive it).
  void Harmless(VARIANT& argument, std::string& what) {
    switch (Below(4)) {
      case 0:
        what = "empty";
        break;
      case 1:
        SetNumber(argument, 7);
        what = "7";
        break;
      case 2:
        V_VT(&argument) = VT_NULL;
        what = "null";
        break;
      default:
        V_VT(&argument) = VT_ERROR;
        V_ERROR(&argument) = DISP_E_PARAMNOTFOUND;
        what = "missing";
    }
  }

  // A caller's variable: a reference to a VARIANT holding anything, or a typed reference.
  void Variable(VARIANT& argument, std::string& what) {
    VARIANT& held = Held();
    if (Chance(50)) {
      Any(held, 1, what);
      ReferToVariant(argument, held, what);
    } else {
      TypedValue(held, Pick(kReferencedTypes), 1, what);
      ReferTo(argument, held, what);
    }
  }

  // A random text or number as the parameter is declared.
  void Fitting(VARIANT& argument, const Declared& declared, std::string& what) {
    VARIANT& held = Held();
    if (declared.type == VT_BSTR) {
      const std::wstring& text = Pick(Texts());
      SetText(held, text);
      what = Narrow(text);
    } else {
      SetNumber(held, Number());
      what = std::to_string(V_I4(&held));
    }
    Pass(argument, held, declared, what);
  }

  // The value held, passed by value or, to a by-reference parameter, by reference; now
  // and then through a reference to a VARIANT, which the dispatch refuses for a typed
  // by-reference parameter, as it does a reference to another type.
  void Pass(VARIANT& argument, VARIANT& held, const Declared& declared, std::string& what) {
    const bool fits = V_VT(&held) == declared.type;
    if (careless_ && Chance(5)) {
      ReferToVariant(argument, held, what);
    } else if (declared.by_reference && (fits || careless_) && Chance(50)) {
      ReferTo(argument, held, what);
    } else {
      argument = held;  // the argument owns the value now
      ::VariantInit(&held);
    }
  }

  // One of the parameter's allowed values in a form that converts to it, or a form that
  // converts to nothing.
  void Allowed(VARIANT& argument, const FuzzParameter& parameter, const Declared& declared,
               std::string& what) {
    if (careless_ && Chance(10)) return Refused(argument, what);
    const bool text = parameter.numbers.empty() || (!parameter.texts.empty() && Chance(50));
    VARIANT& held = Held();
    if (text) {
      const std::string& value = Pick(parameter.texts);
      V_VT(&held) = VT_BSTR;
      V_BSTR(&held) = ToBstr(value).release();
      what = Narrow(std::wstring(V_BSTR(&held), ::SysStringLen(V_BSTR(&held))));
    } else {
      const int32_t value = Pick(parameter.numbers);
      switch (Below(6)) {
        case 0:
          V_VT(&held) = VT_R8;
          V_R8(&held) = value;
          break;
        case 1:
          SetText(held, std::to_wstring(value));
          break;
        default:
          SetNumber(held, value);
      }
      what = std::to_string(value) + " as " + Hex(V_VT(&held));
    }
    if (careless_ && Chance(5)) {  // a reference to a VARIANT that refers on: refused
      VARIANT& middle = Held();
      ReferTo(middle, held, what);
      ReferToVariant(argument, middle, what);
      return;
    }
    Pass(argument, held, declared, what);
  }

  void Refused(VARIANT& argument, std::string& what) {
    switch (Below(4)) {
      case 0:
        V_VT(&argument) = VT_NULL;
        what = "null";
        break;
      case 1: {
        VARIANT& held = Held();
        V_VT(&held) = VT_NULL;
        what = "null";
        ReferToVariant(argument, held, what);
        break;
      }
      case 2:
        V_VT(&argument) = VT_DISPATCH;
        V_DISPATCH(&argument) = nullptr;
        what = "no object";
        break;
      default:
        V_VT(&argument) = VT_ERROR;
        V_ERROR(&argument) = E_FAIL;
        what = "error E_FAIL";
    }
  }

  // Any argument at all; references and arrays nest a few levels deep.
  void Any(VARIANT& argument, int depth, std::string& what) {
    const int kinds = depth < 3 ? 20 : 13;
    switch (Below(kinds)) {
      case 0:
        what = "empty";
        return;
      case 1:
        V_VT(&argument) = VT_NULL;
        what = "null";
        return;
      case 2:
        V_VT(&argument) = VT_I2;
        V_I2(&argument) = static_cast<SHORT>(Number());
        what = "I2 " + std::to_string(V_I2(&argument));
        return;
      case 3:
        SetNumber(argument, Number());
        what = "I4 " + std::to_string(V_I4(&argument));
        return;
      case 4:
        V_VT(&argument) = VT_R8;
        V_R8(&argument) = Number() / 7.0;
        what = "R8 " + std::to_string(V_R8(&argument));
        return;
      case 5:
        V_VT(&argument) = VT_DATE;
        V_DATE(&argument) = Number() / 1000.0;
        what = "DATE " + std::to_string(V_DATE(&argument));
        return;
      case 6:
        V_VT(&argument) = VT_BOOL;
        V_BOOL(&argument) = Chance(50) ? VARIANT_TRUE : VARIANT_FALSE;
        what = "BOOL";
        return;
      case 7:
      case 8: {
        const std::wstring& text = Pick(Texts());
        SetText(argument, text);
        what = Narrow(text);
        return;
      }
      case 9:
        V_VT(&argument) = VT_ERROR;
        V_ERROR(&argument) = Chance(70) ? DISP_E_PARAMNOTFOUND : E_FAIL;
        what = "error " + Hex(static_cast<uint32_t>(V_ERROR(&argument)));
        return;
      case 10:
        V_VT(&argument) = Chance(50) ? VT_DISPATCH : VT_UNKNOWN;
        V_UNKNOWN(&argument) = nullptr;
        what = "no object";
        return;
      case 11:
        V_VT(&argument) = VT_CY;
        V_CY(&argument).int64 = Number() * 10000LL;
        what = "CY";
        return;
      case 12:
      case 17:
        Array(argument, depth, what);
        return;
      case 13:
      case 14: {
        VARIANT& held = Held();
        const VARTYPE type = Pick(kReferencedTypes);
        TypedValue(held, type, depth, what);
        ReferTo(argument, held, what);
        return;
      }
      case 15:
      case 16: {
        VARIANT& held = Held();
        Any(held, depth + 1, what);
        ReferToVariant(argument, held, what);
        return;
      }
      case 18:
        V_VT(&argument) = VT_BYREF | (Chance(50) ? VARTYPE{VT_VARIANT} : Pick(kReferencedTypes));
        V_BYREF(&argument) = nullptr;
        what = "ref " + Hex(V_VT(&argument)) + " to nothing";
        return;
      default: {
        VARIANT& held = Held();
        V_VT(&held) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&held) = &held;
        what = "ref VARIANT -> itself";
        ReferToVariant(argument, held, what);
      }
    }
  }

  // A value of one type, for a typed reference to point to.
  void TypedValue(VARIANT& value, VARTYPE type, int depth, std::string& what) {
    if (type & VT_ARRAY) {
      Array(value, depth, what, static_cast<VARTYPE>(type & VT_TYPEMASK));
      return;
    }
    switch (type) {
      case VT_BSTR: {
        const std::wstring& text = Pick(Texts());
        SetText(value, text);
        what = Narrow(text);
        return;
      }
      case VT_DISPATCH:
      case VT_UNKNOWN:
        V_VT(&value) = type;
        V_UNKNOWN(&value) = nullptr;
        what = "no object";
        return;
      default:
        V_VT(&value) = type;
        V_I8(&value) = Number();
        if (type == VT_R8 || type == VT_DATE) V_R8(&value) = Number() / 1000.0;
        what = Hex(type) + " " + std::to_string(V_I4(&value));
    }
  }

  // A SAFEARRAY holding one type and tagged with it or another; now and then no array at
  // all, or two dimensions.
  void Array(VARIANT& argument, int depth, std::string& what, VARTYPE tag = VT_EMPTY) {
    const VARTYPE held = tag != VT_EMPTY && Chance(60) ? tag : Pick(kElementTypes);
    if (tag == VT_EMPTY) tag = Chance(70) ? held : Pick(kClaimedTypes);
    V_VT(&argument) = VT_ARRAY | tag;
    if (Chance(5)) {
      V_ARRAY(&argument) = nullptr;
      what = "no array tagged " + Hex(tag);
      return;
    }
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(Below(5)), Pick(kLowerBounds)},
                                {static_cast<ULONG>(Below(3)), Pick(kLowerBounds)}};
    const UINT dimensions = Chance(8) ? 2 : 1;
    SAFEARRAY* array = ::SafeArrayCreate(held, dimensions, bounds);
    V_ARRAY(&argument) = array;
    what = "array tagged " + Hex(tag) + " holding " + Hex(held) + " from " +
           std::to_string(bounds[0].lLbound) + " count " + std::to_string(bounds[0].cElements) +
           (dimensions == 2 ? " (2 dimensions)" : "");
    if (!array || dimensions != 1) return;
    std::string elements;
    for (LONGLONG i = 0; i < bounds[0].cElements; ++i) {
      const LONGLONG index = bounds[0].lLbound + i;
      if (index > LONG_MAX) break;
      LONG at = static_cast<LONG>(index);
      Variant element;
      std::string element_what;
      if (held == VT_VARIANT) {
        Any(*element.get(), depth + 1, element_what);
        ::SafeArrayPutElement(array, &at, element.get());
      } else {
        TypedValue(*element.get(), held, depth + 1, element_what);
        const bool pointer = held == VT_BSTR || held == VT_DISPATCH || held == VT_UNKNOWN;
        ::SafeArrayPutElement(array, &at,
                              pointer ? static_cast<void*>(V_BSTR(element.get()))
                                      : static_cast<void*>(&V_UI1(element.get())));
      }
      elements += (i ? ", " : "") + element_what;
    }
    what += " {" + elements + "}";
  }

  std::mt19937& random_;
  const std::vector<Declared>& declared_;
  const bool careless_;
  std::vector<VARIANT> arguments_;
  std::vector<DISPID> named_;
  std::deque<VARIANT> held_;
  std::vector<Reference> references_;
  DISPPARAMS params_{};
  WORD flags_ = DISPATCH_METHOD;
  std::string description_;
};

// The call under way, for the crash filter and the watchdog.
std::atomic<ULONGLONG> g_call_started{0};
char g_current_call[8192];

void PrintCurrentCall(const char* why) {
  std::fprintf(stderr, "\n%s during %s\n", why, g_current_call);
  std::fflush(stderr);
}

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* exception) {
  char why[64];
  std::snprintf(why, sizeof why, "exception 0x%08lX", exception->ExceptionRecord->ExceptionCode);
  PrintCurrentCall(why);
  return EXCEPTION_CONTINUE_SEARCH;
}

// Ends the process when a call hangs; prints the call and reports crashes the same way.
class Watchdog {
 public:
  Watchdog() : previous_filter_(::SetUnhandledExceptionFilter(ReportCrash)) {
    thread_ = std::thread([this] {
      while (!stop_) {
        ::Sleep(200);
        const ULONGLONG started = g_call_started;
        if (started != 0 && ::GetTickCount64() - started > kLongestCallMs) {
          PrintCurrentCall("hang");
          ::TerminateProcess(::GetCurrentProcess(), 3);
        }
      }
    });
  }
  ~Watchdog() {
    stop_ = true;
    thread_.join();
    ::SetUnhandledExceptionFilter(previous_filter_);
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  LPTOP_LEVEL_EXCEPTION_FILTER previous_filter_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

void FreeExceptionInfo(EXCEPINFO& exception) {
  ::SysFreeString(exception.bstrSource);
  ::SysFreeString(exception.bstrDescription);
  ::SysFreeString(exception.bstrHelpFile);
  exception = {};
}

// Makes one call (now and then without a result, exception or argument-error pointer);
// what is wrong with its outcome, or nothing.
std::string InvokeAndCheck(IDispatch* object, DISPID id, FuzzCall& call, const std::string& label,
                           std::mt19937& random) {
  const bool with_result = random() % 20 != 0;
  const bool with_exception = random() % 20 != 0;
  const bool with_argument_error = random() % 20 != 0;
  Variant result;
  EXCEPINFO exception{};
  UINT argument_error = 0;

  std::snprintf(g_current_call, sizeof g_current_call, "%s", label.c_str());
  g_call_started = ::GetTickCount64();
  const HRESULT hr =
      object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, call.flags(), call.params(),
                     with_result ? result.get() : nullptr, with_exception ? &exception : nullptr,
                     with_argument_error ? &argument_error : nullptr);
  g_call_started = 0;

  std::string fault;
  if (!kCallResults.count(hr)) fault += " answered " + Hex(static_cast<uint32_t>(hr));
  if (hr == DISP_E_EXCEPTION && with_exception && !kMethodFailures.count(exception.scode)) {
    fault += " failed with " + Hex(static_cast<uint32_t>(exception.scode));
  }
  fault += call.ChangedReferences();
  FreeExceptionInfo(exception);
  const HRESULT cleared = ::VariantClear(result.get());
  if (FAILED(cleared)) fault += " left a result VariantClear refuses";
  return fault;
}

// A member no target has, so the call fails before any method runs.
DISPID UnknownMember(std::mt19937& random) {
  const DISPID ids[] = {0, -1, -5, 1, 0x600300FF};
  return ids[random() % std::size(ids)];
}

// The seed and the rounds of a run, printed so that a failing run can be repeated.
struct FuzzRun {
  uint32_t seed;
  int rounds;
};

FuzzRun FuzzRunFromEnvironment(int default_rounds) {
  FuzzRun run{kDefaultSeed, default_rounds};
  if (const char* seed = std::getenv("VORMS_FUZZ_SEED")) {
    run.seed = static_cast<uint32_t>(std::strtoul(seed, nullptr, 0));
  }
  if (const char* rounds = std::getenv("VORMS_FUZZ_ROUNDS")) run.rounds = std::atoi(rounds);
  std::printf("dispatch fuzz: seed %u, %d rounds (VORMS_FUZZ_SEED, VORMS_FUZZ_ROUNDS)\n", run.seed,
              run.rounds);
  std::fflush(stdout);
  return run;
}

// Calls each method of each target once per round (and, carelessly, an unknown dispatch
// id now and then); reports each failing call.
void Fuzz(const std::vector<FuzzTarget>& targets, int rounds, std::mt19937& random,
          FuzzCalls calls) {
  Watchdog watchdog;
  std::vector<std::vector<std::vector<Declared>>> declared;
  for (const FuzzTarget& target : targets) {
    declared.emplace_back();
    for (const FuzzMethod& method : target.methods) {
      declared.back().push_back(DeclaredParameters(target.object, method.id));
    }
  }
  const std::vector<Declared> none;
  int failures = 0;
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t t = 0; t < targets.size(); ++t) {
      const FuzzTarget& target = targets[t];
      for (std::size_t m = 0; m < target.methods.size(); ++m) {
        const FuzzMethod& method = target.methods[m];
        if (round % method.every != 0) continue;
        const bool known = calls == FuzzCalls::kDispatchable || random() % 50 != 0;
        FuzzCall call(random, known ? &method : nullptr, known ? declared[t][m] : none, calls);
        const std::string label = std::string(target.name) + "." + call.description();
        const DISPID id = known ? method.id : UnknownMember(random);
        const std::string fault = InvokeAndCheck(target.object, id, call, label, random);
        if (fault.empty()) continue;
        ADD_FAILURE() << label << ":" << fault;
        if (++failures >= kMostFailuresReported) return;
      }
    }
  }
}

}  // namespace

void FuzzThroughDispatch(const std::vector<FuzzTarget>& targets, int default_rounds) {
  const FuzzRun run = FuzzRunFromEnvironment(default_rounds);
  std::mt19937 random(run.seed);
  Fuzz(targets, run.rounds, random, FuzzCalls::kCareless);
  Fuzz(targets, run.rounds / 5 + 1, random, FuzzCalls::kDispatchable);  // warm-up
  const ProcessFigures before = MeasureThisProcess();
  const std::size_t blocks_before = HeapBlocksInUse();
  Fuzz(targets, run.rounds, random, FuzzCalls::kDispatchable);
  const ProcessFigures after = MeasureThisProcess();
  const std::size_t blocks_after = HeapBlocksInUse();
  std::printf("handles %lu -> %lu, private memory %.2f -> %.2f MB, heap blocks %zu -> %zu\n",
              before.handles, after.handles, before.private_mb, after.private_mb, blocks_before,
              blocks_after);
  EXPECT_LE(after.handles, before.handles + kHandleMargin) << "handles leaked";
  EXPECT_LE(after.private_mb, before.private_mb + kPrivateMegabytesMargin) << "memory leaked";
  EXPECT_LE(blocks_after, blocks_before + kHeapBlockMargin) << "memory leaked";
}

}  // namespace vorms::test
