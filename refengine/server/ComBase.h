#pragma once
// Small COM helpers of the engine: a ref-counted object base, the server's
// lifetime count and owners for BSTRs and interface references.

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <atomic>
#include <string>

namespace rre {

// Counts live objects and locks; the server ends when it falls to zero.
class ServerLifetime {
 public:
  static void Add();
  static void Release();
  static long Count();
};

// Base for the engine's COM objects: the count starts at 1 and the object
// deletes itself when its last reference goes.
class RefCounted {
 public:
  RefCounted() { ServerLifetime::Add(); }
  virtual ~RefCounted() { ServerLifetime::Release(); }
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;
  ULONG AddRefImpl() { return ++refs_; }
  ULONG ReleaseImpl() {
    ULONG r = --refs_;
    if (!r) delete this;
    return r;
  }

 private:
  std::atomic<ULONG> refs_{1};
};

#define RRE_IUNKNOWN_REFS                                         \
  STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); } \
  STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  explicit ComPtr(T* p) : p_(p) {}  // adopts a reference
  ComPtr(const ComPtr& o) : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  ComPtr& operator=(ComPtr o) {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ComPtr() {
    if (p_) p_->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T** put() {
    *this = ComPtr();
    return &p_;
  }
  explicit operator bool() const { return p_ != nullptr; }
  T* detach() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const std::wstring& s) : b_(SysAllocStringLen(s.data(), UINT(s.size()))) {}
  ~Bstr() { SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return b_; }
  BSTR* put() {
    SysFreeString(b_);
    b_ = nullptr;
    return &b_;
  }
  BSTR detach() {
    BSTR b = b_;
    b_ = nullptr;
    return b;
  }
  std::wstring str() const { return b_ ? std::wstring(b_, SysStringLen(b_)) : std::wstring(); }

 private:
  BSTR b_ = nullptr;
};

inline std::wstring FromBstr(BSTR b) {
  return b ? std::wstring(b, SysStringLen(b)) : std::wstring();
}

// Hands a text out through a BSTR out-argument.
inline HRESULT OutText(BSTR* out, const std::wstring& s) {
  if (!out) return E_POINTER;
  *out = SysAllocStringLen(s.data(), UINT(s.size()));
  return *out || s.empty() ? S_OK : E_OUTOFMEMORY;
}

}  // namespace rre
