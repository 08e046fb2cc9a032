#include "engine/EngineDateTime.h"

#include <cwchar>

namespace {

// Days of a month of the Gregorian calendar.
int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<SYSTEMTIME> ParseEngineDateTime(std::wstring_view text) {
  int fields[6] = {};
  int count = 0;
  size_t pos = 0;
  while (count < 6) {
    size_t end = text.find_first_of(L"-T:", pos);
    std::wstring_view part = text.substr(pos, end == std::wstring_view::npos ? end : end - pos);
    if (part.empty() || part.size() > 9) return std::nullopt;
    int value = 0;
    for (wchar_t c : part) {
      if (c < L'0' || c > L'9') return std::nullopt;
      value = value * 10 + (c - L'0');
    }
    fields[count++] = value;
    if (end == std::wstring_view::npos) break;
    if (count == 6) return std::nullopt;  // something follows the sixth field
    pos = end + 1;
  }
  if (count != 6) return std::nullopt;
  const int lo[6] = {1601, 1, 1, 0, 0, 0};
  const int hi[6] = {30827, 12, 31, 23, 59, 59};
  for (int i = 0; i < 6; ++i)
    if (fields[i] < lo[i] || fields[i] > hi[i]) return std::nullopt;
  if (fields[2] > DaysInMonth(fields[0], fields[1])) return std::nullopt;
  SYSTEMTIME t = {};
  t.wYear = static_cast<WORD>(fields[0]);
  t.wMonth = static_cast<WORD>(fields[1]);
  t.wDay = static_cast<WORD>(fields[2]);
  t.wHour = static_cast<WORD>(fields[3]);
  t.wMinute = static_cast<WORD>(fields[4]);
  t.wSecond = static_cast<WORD>(fields[5]);
  return t;
}

std::wstring FormatEngineDateTime(const SYSTEMTIME& t) {
  wchar_t buf[32];
  std::swprintf(buf, 32, L"%04u-%02u-%02uT%02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                t.wMinute, t.wSecond);
  return buf;
}
