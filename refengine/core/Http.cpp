#include "Http.h"

#include <windows.h>
#include <wininet.h>

namespace rre {
namespace {

class Inet {
 public:
  explicit Inet(HINTERNET h) : m_h(h) {}
  ~Inet() {
    if (m_h) InternetCloseHandle(m_h);
  }
  Inet(const Inet&) = delete;
  Inet& operator=(const Inet&) = delete;
  HINTERNET get() const { return m_h; }

 private:
  HINTERNET m_h;
};

}  // namespace

bool HttpGet(const std::wstring& url, const std::function<bool(uint64_t, uint64_t)>& progress,
             uint64_t maxBytes, HttpResponse& out) {
  out = HttpResponse{};
  Inet session(
      InternetOpenW(L"RodeRedudEngine/1.0", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session.get()) return out.error = GetLastError(), false;
  DWORD timeout = 15000;
  InternetSetOptionW(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);
  InternetSetOptionW(session.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
  Inet request(InternetOpenUrlW(session.get(), url.c_str(), nullptr, 0,
                                INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                    INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES |
                                    INTERNET_FLAG_PRAGMA_NOCACHE,
                                0));
  if (!request.get()) return out.error = GetLastError(), false;
  DWORD status = 0, len = sizeof status;
  if (!HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &len,
                      nullptr))
    return out.error = GetLastError(), false;
  out.status = status;
  uint64_t total = 0;
  DWORD clen = 0;
  len = sizeof clen;
  if (HttpQueryInfoW(request.get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &clen, &len,
                     nullptr))
    total = clen;
  if (total > maxBytes) return out.error = ERROR_FILE_TOO_LARGE, false;
  if (progress && !progress(total, 0)) return out.error = ERROR_CANCELLED, false;
  char buf[16384];
  for (;;) {
    DWORD got = 0;
    if (!InternetReadFile(request.get(), buf, sizeof buf, &got))
      return out.error = GetLastError(), false;
    if (!got) break;
    if (out.body.size() + got > maxBytes) return out.error = ERROR_FILE_TOO_LARGE, false;
    out.body.append(buf, got);
    if (progress && !progress(total, out.body.size())) return out.error = ERROR_CANCELLED, false;
  }
  if (total && out.body.size() != total) return out.error = ERROR_INTERNET_CONNECTION_RESET, false;
  return true;
}

}  // namespace rre
