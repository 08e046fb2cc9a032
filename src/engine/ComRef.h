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
    r.m_p = p;
    return r;
  }
  // Takes a new reference of its own.
  static ComRef Share(T* p) {
    if (p) p->AddRef();
    return Adopt(p);
  }
  ComRef(const ComRef& o) : m_p(o.m_p) {
    if (m_p) m_p->AddRef();
  }
  ComRef(ComRef&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
  ComRef& operator=(ComRef o) noexcept {
    std::swap(m_p, o.m_p);
    return *this;
  }
  ~ComRef() { Reset(); }

  void Reset() {
    if (T* p = std::exchange(m_p, nullptr)) p->Release();
  }
  T* Get() const { return m_p; }
  T* operator->() const { return m_p; }
  explicit operator bool() const { return m_p != nullptr; }
  // Out-argument for functions that hand back a new reference.
  T** Put() {
    Reset();
    return &m_p;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }
  T* Detach() { return std::exchange(m_p, nullptr); }

  template <class U>
  ComRef<U> As() const {
    ComRef<U> r;
    if (m_p) m_p->QueryInterface(__uuidof(U), r.PutVoid());
    return r;
  }

 private:
  T* m_p = nullptr;
};
