#pragma once
// The trace channel: a failure that is not reported to the user leaves one
// line on the debugger output (OutputDebugStringW; under Wine it shows with
// WINEDEBUG=+debugstr). One call records a failed HRESULT with its place:
//
//   if (TraceHr(point->Advise(sink, &cookie), L"Advise")) return;
//
// TraceHr returns true when hr failed, so it can stand in the condition that
// handles the failure. Tests replace the output with SetTraceOutput to read
// the lines back.

#include <windows.h>

#include <functional>
#include <mutex>
#include <source_location>
#include <string>
#include <string_view>

namespace trace_detail {

struct Output {
  std::mutex mu;
  std::function<void(const std::wstring&)> sink;  // empty: OutputDebugStringW
};
inline Output& TheOutput() {
  static Output output;
  return output;
}

// The file name of a source path, without its folders.
inline void AppendFileName(std::wstring& line, const char* path) {
  std::string_view p(path);
  size_t cut = p.find_last_of("\\/");
  if (cut != std::string_view::npos) p.remove_prefix(cut + 1);
  for (char c : p) line += wchar_t(static_cast<unsigned char>(c));
}

}  // namespace trace_detail

// Writes one line "RodeRedud: <file>(<line>) <what> failed: 0x<hr>" when hr
// failed (never throws). Returns FAILED(hr).
inline bool TraceHr(HRESULT hr, std::wstring_view what,
                    std::source_location where = std::source_location::current()) noexcept {
  if (SUCCEEDED(hr)) return false;
  try {
    std::wstring line = L"RodeRedud: ";
    trace_detail::AppendFileName(line, where.file_name());
    line += L'(' + std::to_wstring(where.line()) + L") ";
    line += what;
    line += L" failed: 0x";
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    const auto code = static_cast<unsigned long>(hr);
    for (int shift = 28; shift >= 0; shift -= 4) line += kDigits[(code >> shift) & 0xF];
    line += L'\n';
    auto& out = trace_detail::TheOutput();
    std::lock_guard lock(out.mu);
    if (out.sink)
      out.sink(line);
    else
      OutputDebugStringW(line.c_str());
  } catch (...) {
    OutputDebugStringW(L"RodeRedud: trace line lost\n");
  }
  return true;
}

// A failed Win32 call: the thread's last error as an HRESULT (E_FAIL when the
// call set none). Returns that HRESULT.
inline HRESULT TraceLastError(std::wstring_view what,
                              std::source_location where = std::source_location::current()) noexcept {
  DWORD error = GetLastError();
  HRESULT hr = error ? HRESULT_FROM_WIN32(error) : E_FAIL;
  TraceHr(hr, what, where);
  return hr;
}

// Sends trace lines to `sink` instead of the debugger output (nullptr: back
// to the debugger output). For tests.
inline void SetTraceOutput(std::function<void(const std::wstring&)> sink) {
  auto& out = trace_detail::TheOutput();
  std::lock_guard lock(out.mu);
  out.sink = std::move(sink);
}
