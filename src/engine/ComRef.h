// A counted reference to a COM object: released by its owner on every path.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <utility>

template <class T>
class ComRef {
 public:
  ComRef() = default;
  ComRef(std::nullptr_t) {}
  // Adopts a reference the caller already owns.
  static ComRef Adopt(T* p) {
    ComRef r;
    r.p_ = p;
    return r;
  }
  // Takes a new reference of its own.
  static ComRef Share(T* p) {
    if (p) p->AddRef();
    return Adopt(p);
  }
  ComRef(const ComRef& o) : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  ComRef(ComRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComRef& operator=(ComRef o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ComRef() { Reset(); }

  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Out-argument for functions that hand back a new reference.
  T** Put() {
    Reset();
    return &p_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }
  T* Detach() { return std::exchange(p_, nullptr); }

  template <class U>
  ComRef<U> As() const {
    ComRef<U> r;
    if (p_) p_->QueryInterface(__uuidof(U), r.PutVoid());
    return r;
  }

 private:
  T* p_ = nullptr;
};
