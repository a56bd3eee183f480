// Owners for Win32 handles, registry keys, service handles, sockets, ICMP handles, modules,
// BSTRs, VARIANTs, SAFEARRAYs and COM pointers: each is closed exactly once, on every path.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <icmpapi.h>
#include <oleauto.h>

#include <utility>

namespace vorms {

// A move-only owner; Traits gives the empty value and the close call.
template <typename Traits>
class UniqueHandle {
 public:
  using Raw = typename Traits::Raw;

  UniqueHandle() = default;
  explicit UniqueHandle(Raw raw) : raw_(raw) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : raw_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  Raw get() const { return raw_; }
  explicit operator bool() const { return Traits::IsValid(raw_); }

  // Address for out-parameters; closes what is held first.
  Raw* receive() {
    reset();
    return &raw_;
  }

  Raw release() { return std::exchange(raw_, Traits::Empty()); }

  void reset(Raw raw = Traits::Empty()) {
    Raw old = std::exchange(raw_, raw);
    if (Traits::IsValid(old)) Traits::Close(old);
  }

 private:
  Raw raw_ = Traits::Empty();
};

struct KernelHandleTraits {  // CreateEvent, CreateThread, OpenProcess, CreateMutex...
  using Raw = HANDLE;
  static Raw Empty() { return nullptr; }
  static bool IsValid(Raw h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Raw h) { ::CloseHandle(h); }
};
using Handle = UniqueHandle<KernelHandleTraits>;

struct FileHandleTraits : KernelHandleTraits {  // CreateFile: failure is INVALID_HANDLE_VALUE
  static Raw Empty() { return INVALID_HANDLE_VALUE; }
};
using FileHandle = UniqueHandle<FileHandleTraits>;

struct FindHandleTraits {
  using Raw = HANDLE;
  static Raw Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Raw h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Raw h) { ::FindClose(h); }
};
using FindHandle = UniqueHandle<FindHandleTraits>;

struct RegKeyTraits {
  using Raw = HKEY;
  static Raw Empty() { return nullptr; }
  static bool IsValid(Raw h) { return h != nullptr; }
  static void Close(Raw h) { ::RegCloseKey(h); }
};
using RegKey = UniqueHandle<RegKeyTraits>;

struct ServiceHandleTraits {
  using Raw = SC_HANDLE;
  static Raw Empty() { return nullptr; }
  static bool IsValid(Raw h) { return h != nullptr; }
  static void Close(Raw h) { ::CloseServiceHandle(h); }
};
using ServiceHandle = UniqueHandle<ServiceHandleTraits>;

struct SocketTraits {
  using Raw = SOCKET;
  static Raw Empty() { return INVALID_SOCKET; }
  static bool IsValid(Raw s) { return s != INVALID_SOCKET; }
  static void Close(Raw s) { ::closesocket(s); }
};
using Socket = UniqueHandle<SocketTraits>;

struct IcmpHandleTraits {  // IcmpCreateFile: failure is INVALID_HANDLE_VALUE
  using Raw = HANDLE;
  static Raw Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Raw h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Raw h) { ::IcmpCloseHandle(h); }
};
using IcmpHandle = UniqueHandle<IcmpHandleTraits>;

struct ModuleTraits {
  using Raw = HMODULE;
  static Raw Empty() { return nullptr; }
  static bool IsValid(Raw h) { return h != nullptr; }
  static void Close(Raw h) { ::FreeLibrary(h); }
};
using Module = UniqueHandle<ModuleTraits>;

struct WindowTraits {
  using Raw = HWND;
  static Raw Empty() { return nullptr; }
  static bool IsValid(Raw h) { return h != nullptr; }
  static void Close(Raw h) { ::DestroyWindow(h); }
};
using Window = UniqueHandle<WindowTraits>;

struct SafeArrayTraits {
  using Raw = SAFEARRAY*;
  static Raw Empty() { return nullptr; }
  static bool IsValid(Raw a) { return a != nullptr; }
  static void Close(Raw a) { ::SafeArrayDestroy(a); }
};
using SafeArray = UniqueHandle<SafeArrayTraits>;

// A BSTR owned by this object.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const wchar_t* text) : s_(::SysAllocString(text)) {}
  static Bstr Attach(BSTR raw) {
    Bstr b;
    b.s_ = raw;
    return b;
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& other) noexcept : s_(std::exchange(other.s_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    if (this != &other) {
      ::SysFreeString(s_);
      s_ = std::exchange(other.s_, nullptr);
    }
    return *this;
  }
  ~Bstr() { ::SysFreeString(s_); }

  BSTR get() const { return s_; }
  BSTR* receive() {
    ::SysFreeString(s_);
    s_ = nullptr;
    return &s_;
  }
  // Address for an [in, out] argument: the callee reads the text and may replace it.
  BSTR* inout() { return &s_; }
  BSTR release() { return std::exchange(s_, nullptr); }

 private:
  BSTR s_ = nullptr;
};

// A VARIANT owned by this object: cleared once, whatever it holds.
class Variant {
 public:
  Variant() { ::VariantInit(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant(Variant&& other) noexcept : v_(other.v_) { ::VariantInit(&other.v_); }
  Variant& operator=(Variant&& other) noexcept {
    if (this != &other) {
      ::VariantClear(&v_);
      v_ = other.v_;
      ::VariantInit(&other.v_);
    }
    return *this;
  }
  ~Variant() { ::VariantClear(&v_); }

  VARIANT* get() { return &v_; }
  const VARIANT* get() const { return &v_; }
  VARTYPE type() const { return V_VT(&v_); }
  // Address for out-parameters; clears what is held first.
  VARIANT* receive() {
    ::VariantClear(&v_);
    return &v_;
  }
  // Hands the value over to an out-parameter that the caller owns; leaves this empty.
  void release(VARIANT* out) {
    *out = v_;
    ::VariantInit(&v_);
  }

 private:
  VARIANT v_;
};

// A COM interface pointer owned by this object (one reference).
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr& other) : p_(other.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() {
    if (p_) p_->Release();
  }
  // Takes over a reference the caller already holds.
  static ComPtr Attach(T* raw) {
    ComPtr c;
    c.p_ = raw;
    return c;
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T** receive() {
    *this = ComPtr();
    return &p_;
  }
  void** receive_void() { return reinterpret_cast<void**>(receive()); }

 private:
  T* p_ = nullptr;
};

}  // namespace vorms
