// EngineString: the owner of one length-counted COM string (BSTR), on both
// sides of the engine contract; and the helpers for BSTR arguments.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>

class EngineString {
 public:
  EngineString() = default;
  explicit EngineString(std::wstring_view text)
      : m_s(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  EngineString(const EngineString&) = delete;
  EngineString& operator=(const EngineString&) = delete;
  EngineString(EngineString&& o) noexcept : m_s(std::exchange(o.m_s, nullptr)) {}
  EngineString& operator=(EngineString&& o) noexcept {
    if (this != &o) {
      Reset();
      m_s = std::exchange(o.m_s, nullptr);
    }
    return *this;
  }
  ~EngineString() { Reset(); }

  // Takes ownership of a string the engine allocated.
  static EngineString Adopt(BSTR s) {
    EngineString r;
    r.m_s = s;
    return r;
  }

  void Reset() {
    if (BSTR s = std::exchange(m_s, nullptr)) SysFreeString(s);
  }
  // Out-argument: frees what is held, then receives the engine's string.
  BSTR* Out() {
    Reset();
    return &m_s;
  }
  // In-argument (may be null: the engine accepts null as empty).
  BSTR Get() const { return m_s; }
  BSTR Detach() { return std::exchange(m_s, nullptr); }

  bool IsNull() const { return m_s == nullptr; }
  size_t Length() const { return m_s ? SysStringLen(m_s) : 0; }
  bool Empty() const { return Length() == 0; }
  std::wstring_view View() const {
    return m_s ? std::wstring_view(m_s, Length()) : std::wstring_view();
  }
  std::wstring Str() const { return std::wstring(View()); }

 private:
  BSTR m_s = nullptr;
};

// The text of a string the caller lends (null reads as empty).
inline std::wstring BstrText(BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : std::wstring(); }

// Hands a text out through a BSTR out-argument (the receiver frees it).
inline HRESULT OutText(BSTR* out, std::wstring_view text) {
  if (!out) return E_POINTER;
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out || text.empty() ? S_OK : E_OUTOFMEMORY;
}
