#pragma once
// HTTP GET through WinINet, with progress and cancellation.

#include <cstdint>
#include <functional>
#include <string>

namespace rre {

struct HttpResponse {
  uint32_t status = 0;  // HTTP status, 0 when no response arrived
  uint32_t error = 0;   // WinINet or system error when the transfer failed
  std::string body;
};

// progress(total, done) is called as data arrives (total 0 when unknown);
// returning false cancels the transfer. Bodies larger than maxBytes fail.
bool HttpGet(const std::wstring& url, const std::function<bool(uint64_t, uint64_t)>& progress,
             uint64_t maxBytes, HttpResponse& out);

}  // namespace rre
