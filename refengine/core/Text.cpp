#include "Text.h"

#include <objbase.h>

#include <cstdio>
#include <cwctype>

namespace rre {

std::wstring Lower(std::wstring s) {
  if (!s.empty()) CharLowerBuffW(s.data(), DWORD(s.size()));
  return s;
}

bool ParseU64(const std::string& s, uint64_t& v) {
  if (s.empty() || s.size() > 20) return false;
  uint64_t r = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    uint64_t next = r * 10 + uint64_t(c - '0');
    if (next / 10 != r) return false;
    r = next;
  }
  v = r;
  return true;
}

bool ParseI64(const std::string& s, int64_t& v) {
  uint64_t u = 0;
  if (!s.empty() && s[0] == '-') {
    if (!ParseU64(s.substr(1), u) || u > uint64_t(INT64_MAX)) return false;
    v = -int64_t(u);
    return true;
  }
  if (!ParseU64(s, u) || u > uint64_t(INT64_MAX)) return false;
  v = int64_t(u);
  return true;
}

std::wstring FormatEngineTime(const SYSTEMTIME& st) {
  wchar_t buf[32];
  swprintf(buf, 32, L"%04u-%02u-%02uT%02u:%02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour,
           st.wMinute, st.wSecond);
  return buf;
}

bool ParseEngineTime(const std::wstring& text, SYSTEMTIME& st) {
  unsigned y, mo, d, h, mi, s;
  wchar_t tail;
  if (swscanf(text.c_str(), L"%u-%u-%uT%u:%u:%u%lc", &y, &mo, &d, &h, &mi, &s, &tail) != 6)
    return false;
  st = SYSTEMTIME{};
  st.wYear = WORD(y);
  st.wMonth = WORD(mo);
  st.wDay = WORD(d);
  st.wHour = WORD(h);
  st.wMinute = WORD(mi);
  st.wSecond = WORD(s);
  FILETIME ft;
  return y >= 1601 && y <= 30827 && SystemTimeToFileTime(&st, &ft);
}

std::wstring NowLocalText() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return FormatEngineTime(st);
}

std::wstring NowUtcText() {
  SYSTEMTIME st;
  GetSystemTime(&st);
  return FormatEngineTime(st);
}

uint64_t Ticks(const SYSTEMTIME& st) {
  FILETIME ft{};
  SystemTimeToFileTime(&st, &ft);
  return uint64_t(ft.dwHighDateTime) << 32 | ft.dwLowDateTime;
}

uint64_t NowLocalTicks() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return Ticks(st);
}

uint64_t NowUtcTicks() {
  SYSTEMTIME st;
  GetSystemTime(&st);
  return Ticks(st);
}

std::wstring NewGuidText() {
  GUID g;
  CoCreateGuid(&g);
  wchar_t buf[64];
  StringFromGUID2(g, buf, 64);
  return buf;
}

bool ReadWholeFile(const std::wstring& path, uint64_t maxBytes, std::string& out) {
  out.clear();
  HANDLE h =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(h, &size) && uint64_t(size.QuadPart) <= maxBytes;
  if (ok) {
    out.resize(size_t(size.QuadPart));
    DWORD got = 0;
    ok = out.empty() ||
         (ReadFile(h, out.data(), DWORD(out.size()), &got, nullptr) && got == out.size());
  }
  CloseHandle(h);
  return ok;
}

}  // namespace rre
