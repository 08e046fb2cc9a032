#pragma once
// ComObject<Interfaces...>: IUnknown for a class that implements the listed
// COM interfaces, and ComGuard, the barrier every method body of such a class
// stands behind.
//
//   class Service final : public ComObject<IQVService, IConnectionPointContainer> {
//     STDMETHODIMP Ping(long* v) override {
//       return ComGuard([&] { ...; return S_OK; });
//     }
//   };
//   auto service = ComRef<IQVService>::Adopt(new Service());  // the count starts at 1
//
// QueryInterface answers IUnknown (as the first listed interface) and every
// listed interface; a class that answers fewer, or depends on its state,
// overrides FindInterface. Objects on the heap delete themselves with their
// last reference. ComMember<Interfaces...> is the same for an object its owner
// holds by value (an event sink inside a window): its count only informs, never
// destroys, and stays at zero when released too often.

#include <windows.h>
#include <unknwn.h>

#include <atomic>
#include <new>
#include <source_location>
#include <type_traits>

#include "framework/Trace.h"

// Runs a COM method body; a C++ exception never crosses the COM boundary: it
// becomes E_OUTOFMEMORY (std::bad_alloc) or E_UNEXPECTED, with a trace line.
template <class Body>
HRESULT ComGuard(Body&& body,
                 std::source_location where = std::source_location::current()) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    TraceHr(E_OUTOFMEMORY, L"COM method (out of memory)", where);
    return E_OUTOFMEMORY;
  } catch (...) {
    TraceHr(E_UNEXPECTED, L"COM method (C++ exception)", where);
    return E_UNEXPECTED;
  }
}

namespace com_detail {

template <class First, class... Rest>
struct FirstOf {
  using type = First;
};

enum class Lifetime { kHeap, kMember };

template <Lifetime L, class... Interfaces>
class ComBase : public Interfaces... {
 public:
  ComBase() = default;
  ComBase(const ComBase&) = delete;
  ComBase& operator=(const ComBase&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override {
    if (!out) return E_POINTER;
    *out = nullptr;
    IUnknown* found = nullptr;
    HRESULT hr = ComGuard([&] {
      found = FindInterface(iid);
      return S_OK;
    });
    if (FAILED(hr)) return hr;
    if (!found) return E_NOINTERFACE;
    found->AddRef();
    *out = found;
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++m_refs; }
  STDMETHODIMP_(ULONG) Release() noexcept override {
    if constexpr (L == Lifetime::kHeap) {
      ULONG n = --m_refs;
      if (n == 0) delete this;
      return n;
    } else {
      ULONG n = m_refs.load();
      while (n > 0 && !m_refs.compare_exchange_weak(n, n - 1)) {
      }
      return n > 0 ? n - 1 : 0;
    }
  }

  // The current count (for tests and diagnostics).
  ULONG RefCount() const { return m_refs; }

 protected:
  virtual ~ComBase() = default;

  // The object as IUnknown: its first listed interface.
  IUnknown* Identity() {
    return static_cast<typename FirstOf<Interfaces...>::type*>(this);
  }
  // The listed interface that answers iid (IUnknown: the identity), or nullptr.
  IUnknown* ListedInterface(REFIID iid) {
    if (IsEqualIID(iid, IID_IUnknown)) return Identity();
    IUnknown* found = nullptr;
    ((found == nullptr && IsEqualIID(iid, __uuidof(Interfaces))
          ? void(found = static_cast<Interfaces*>(this))
          : void()),
     ...);
    return found;
  }
  // What QueryInterface hands out for iid; nullptr refuses it.
  virtual IUnknown* FindInterface(REFIID iid) { return ListedInterface(iid); }

 private:
  std::atomic<ULONG> m_refs{1};
};

}  // namespace com_detail

// A COM object on the heap: created with one reference, which its creator
// owns, and deleted with its last.
template <class... Interfaces>
using ComObject = com_detail::ComBase<com_detail::Lifetime::kHeap, Interfaces...>;

// A COM object held by value by its owner: the count never destroys it.
template <class... Interfaces>
using ComMember = com_detail::ComBase<com_detail::Lifetime::kMember, Interfaces...>;
