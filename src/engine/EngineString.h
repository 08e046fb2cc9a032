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
      : s_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  EngineString(const EngineString&) = delete;
  EngineString& operator=(const EngineString&) = delete;
  EngineString(EngineString&& o) noexcept : s_(std::exchange(o.s_, nullptr)) {}
  EngineString& operator=(EngineString&& o) noexcept {
    if (this != &o) {
      Reset();
      s_ = std::exchange(o.s_, nullptr);
    }
    return *this;
  }
  ~EngineString() { Reset(); }

  // Takes ownership of a string the engine allocated.
  static EngineString Adopt(BSTR s) {
    EngineString r;
    r.s_ = s;
    return r;
  }

  void Reset() {
    if (BSTR s = std::exchange(s_, nullptr)) SysFreeString(s);
  }
  // Out-argument: frees what is held, then receives the engine's string.
  BSTR* Out() {
    Reset();
    return &s_;
  }
  // In-argument (may be null: the engine accepts null as empty).
  BSTR Get() const { return s_; }
  BSTR Detach() { return std::exchange(s_, nullptr); }

  bool IsNull() const { return s_ == nullptr; }
  size_t Length() const { return s_ ? SysStringLen(s_) : 0; }
  bool Empty() const { return Length() == 0; }
  std::wstring_view View() const {
    return s_ ? std::wstring_view(s_, Length()) : std::wstring_view();
  }
  std::wstring Str() const { return std::wstring(View()); }

 private:
  BSTR s_ = nullptr;
};

// The text of a string the caller lends (null reads as empty).
inline std::wstring BstrText(BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : std::wstring(); }

// Hands a text out through a BSTR out-argument (the receiver frees it).
inline HRESULT OutText(BSTR* out, std::wstring_view text) {
  if (!out) return E_POINTER;
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out || text.empty() ? S_OK : E_OUTOFMEMORY;
}
