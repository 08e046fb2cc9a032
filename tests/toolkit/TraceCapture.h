#pragma once
// Collects the trace lines written while it exists.
#include <mutex>
#include <string>
#include <vector>

#include "framework/Trace.h"

class TraceCapture {
 public:
  TraceCapture() {
    SetTraceOutput([this](const std::wstring& line) {
      std::lock_guard lock(m_mu);
      m_lines.push_back(line);
    });
  }
  ~TraceCapture() { SetTraceOutput(nullptr); }
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;

  std::vector<std::wstring> Lines() const {
    std::lock_guard lock(m_mu);
    return m_lines;
  }
  // The lines that contain `part`.
  std::vector<std::wstring> With(const std::wstring& part) const {
    std::vector<std::wstring> out;
    for (const auto& line : Lines())
      if (line.find(part) != std::wstring::npos) out.push_back(line);
    return out;
  }

 private:
  mutable std::mutex m_mu;
  std::vector<std::wstring> m_lines;
};
