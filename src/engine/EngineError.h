// EngineError: what a failed direct engine call raises.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <exception>
#include <source_location>
#include <string>

#include "engine/ComRef.h"
#include "framework/Trace.h"

class EngineError : public std::exception {
 public:
  // description: the engine's error-information text, empty when it gave none.
  EngineError(HRESULT hr, const IID& iid, std::wstring description = {});

  HRESULT Result() const { return m_hr; }
  const IID& Interface() const { return m_iid; }
  const std::wstring& Description() const { return m_description; }
  // "engine call failed: 0x80004005 on {...}[: description]" (UTF-8).
  const char* what() const noexcept override { return m_message.c_str(); }

  // Builds the error for a failed call on `object`, taking the description from
  // the thread's error information when the object says it supplies one.
  // Works without one: Wine does not carry error information across processes.
  static EngineError FromCall(HRESULT hr, const IID& iid, IUnknown* object);

 private:
  HRESULT m_hr;
  IID m_iid;
  std::wstring m_description;
  std::string m_message;
};

// Raises EngineError when hr is negative, after a trace line naming the caller.
inline void CheckEngine(HRESULT hr, const IID& iid, IUnknown* object = nullptr,
                        std::source_location where = std::source_location::current()) {
  if (TraceHr(hr, L"engine call", where)) throw EngineError::FromCall(hr, iid, object);
}

template <class I>
void CheckEngine(HRESULT hr, const ComRef<I>& object,
                 std::source_location where = std::source_location::current()) {
  if (TraceHr(hr, L"engine call", where)) throw EngineError::FromCall(hr, __uuidof(I), object.Get());
}

// The accessor's "nothing": raises EngineError with E_POINTER.
template <class I>
ComRef<I> Checked(ComRef<I> ref) {
  if (!ref) throw EngineError(E_POINTER, __uuidof(I));
  return ref;
}
