#include "pages/scan/OverviewModel.h"
#include "themedata/resource.h"

#include <algorithm>
#include <ctime>
#include <cwchar>
#include <cwctype>

namespace {

constexpr int64_t kFileTimeTicksPerDay = 864000000000LL;

std::optional<SYSTEMTIME> LocalTimeOfFileTime(uint64_t ticks) {
  FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME utcTime{}, local{};
  if (!FileTimeToSystemTime(&utc, &utcTime)) return std::nullopt;
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utcTime, &local)) return std::nullopt;
  return local;
}

}  // namespace

StatusChoice ChooseOverviewStatus(const ScanSummary& s) {
  if (s.threatCount == 0 && s.lastFull == 0 && s.lastQuick == 0)
    return {IDS_STATUS_NOT_SCANNED, kStatusOrange, false};
  if (s.threatCount == 0) return {IDS_STATUS_PROTECTED, kStatusGreen, false};
  if (s.threatLevel >= 1 && s.threatLevel <= 3) return {IDS_STATUS_THREATS_FOUND, kStatusRed, true};
  if (s.threatLevel == 6) return {IDS_STATUS_PROTECTED, kStatusGreen, false};
  return {IDS_STATUS_LAST_SCAN_THREATS, kStatusOrange, true};
}

StatusLook LookOfStatus(int status) {
  switch (status) {
    case kStatusOrange:
      return {L"general/header/orange_top", L"general/header/orange_bottom", L"comp_orange",
              L"status_orange"};
    case kStatusRed:
      return {L"general/header/red_top", L"general/header/red_bottom", L"comp_red", L"status_red"};
    default:
      return {L"general/header/green_top", L"general/header/green_bottom", L"comp_green",
              L"status_green"};
  }
}

std::array<int, 6> SplitEngineDateTime(std::wstring_view text) {
  std::array<int, 6> fields{};
  size_t pos = 0;
  for (int& field : fields) {
    if (pos > text.size()) break;
    const size_t end = std::min(text.find_first_of(L"-T:", pos), text.size());
    const std::wstring_view token = text.substr(pos, end - pos);
    // A decimal integer: leading white space, optional sign, digits (clamped).
    size_t i = 0;
    while (i < token.size() && std::iswspace(token[i])) ++i;
    bool negative = false;
    if (i < token.size() && (token[i] == L'-' || token[i] == L'+')) negative = token[i++] == L'-';
    long long value = 0;
    for (; i < token.size() && token[i] >= L'0' && token[i] <= L'9'; ++i)
      value = std::min(value * 10 + (token[i] - L'0'), 1000000000LL);
    field = static_cast<int>(negative ? -value : value);
    pos = end + 1;
  }
  return fields;
}

std::wstring FormatOverviewTime(const wchar_t* format, const SYSTEMTIME& t) {
  std::tm tm{};
  tm.tm_year = t.wYear - 1900;
  tm.tm_mon = t.wMonth - 1;
  tm.tm_mday = t.wDay;
  tm.tm_hour = t.wHour;
  tm.tm_min = t.wMinute;
  tm.tm_sec = t.wSecond;
  tm.tm_wday = t.wDayOfWeek;
  wchar_t buffer[128];
  const size_t n = std::wcsftime(buffer, std::size(buffer), format, &tm);
  return std::wstring(buffer, n);
}

std::optional<std::wstring> FormatScanPairTime(int64_t fileTime) {
  if (fileTime <= 0) return std::nullopt;
  auto local = LocalTimeOfFileTime(static_cast<uint64_t>(fileTime));
  if (!local) return std::nullopt;
  std::wstring text = FormatOverviewTime(L"%A, %d %B %Y", *local);
  if (text.empty()) return std::nullopt;  // a year the formatter refuses
  return text;
}

namespace {

// The fields as a valid local date (weekday filled in), or nothing.
std::optional<SYSTEMTIME> ValidDate(const std::array<int, 6>& f) {
  if (f[0] < 1601 || f[0] > 30827 || f[1] < 1 || f[1] > 12 || f[2] < 1 || f[2] > 31 || f[3] < 0 ||
      f[3] > 23 || f[4] < 0 || f[4] > 59 || f[5] < 0 || f[5] > 59)
    return std::nullopt;
  SYSTEMTIME t{};
  t.wYear = static_cast<WORD>(f[0]);
  t.wMonth = static_cast<WORD>(f[1]);
  t.wDay = static_cast<WORD>(f[2]);
  t.wHour = static_cast<WORD>(f[3]);
  t.wMinute = static_cast<WORD>(f[4]);
  t.wSecond = static_cast<WORD>(f[5]);
  // The round trip rejects days beyond the month's end and gives the weekday.
  FILETIME ft{};
  if (!SystemTimeToFileTime(&t, &ft) || !FileTimeToSystemTime(&ft, &t)) return std::nullopt;
  if (t.wDay != f[2]) return std::nullopt;
  return t;
}

}  // namespace

std::optional<DefinitionsTexts> FormatDefinitionsDate(std::wstring_view engineDateTime) {
  const auto fields = SplitEngineDateTime(engineDateTime);
  if (fields[0] <= 1990) return std::nullopt;
  const auto t = ValidDate(fields);
  if (!t) return std::nullopt;
  return DefinitionsTexts{FormatOverviewTime(L"%d %B %Y", *t), FormatOverviewTime(L"%I:%M %p", *t)};
}

std::optional<std::wstring> FormatLastScanLine(std::wstring_view engineDateTime,
                                               std::wstring_view kindText) {
  const auto fields = SplitEngineDateTime(engineDateTime);
  if (fields[0] < 1602 || fields[0] > 30826) return std::nullopt;
  const auto t = ValidDate(fields);
  if (!t) return std::nullopt;
  std::wstring line = FormatOverviewTime(L"%A, %d %B %Y at %I:%M %p", *t);
  if (!kindText.empty()) line += L"  [" + std::wstring(kindText) + L"]";
  return line;
}

UINT ScanKindTextId(LONG scanType) {
  switch (scanType) {
    case 0:
      return IDS_KIND_QUICK;
    case 1:
      return IDS_KIND_FULL;
    case 2:
      return IDS_KIND_CUSTOM;
    default:
      return 0;
  }
}

std::optional<std::wstring> FormatInstallDate(uint64_t fileTime) {
  if (fileTime < static_cast<uint64_t>(kFileTimeTicksPerDay)) return std::nullopt;
  auto local = LocalTimeOfFileTime(fileTime);
  if (!local) return std::nullopt;
  std::wstring text = FormatOverviewTime(L"%d %B %Y", *local);
  if (text.empty()) return std::nullopt;
  return text;
}

bool ScanTextsBothNever(std::wstring_view full, std::wstring_view quick) {
  auto isNever = [](std::wstring_view s) {
    constexpr std::wstring_view never = L"never";
    if (s.size() != never.size()) return false;
    for (size_t i = 0; i < s.size(); ++i)
      if (std::towlower(s[i]) != never[i]) return false;
    return true;
  };
  return isNever(full) && isNever(quick);
}

OverviewLayout ComputeOverviewLayout(const OverviewLayoutInput& in) {
  using Gdiplus::RectF;
  const float L = static_cast<float>(in.client.left), T = static_cast<float>(in.client.top);
  const float R = static_cast<float>(in.client.right), B = static_cast<float>(in.client.bottom);
  const float W = R - L;
  OverviewLayout out;
  out.banner = RectF(L + 15, T + 15, W - 30, 50);

  const float cw = static_cast<float>(in.customButton.cx), ch = static_cast<float>(in.customButton.cy);
  out.customButton = {static_cast<LONG>(L + 20), static_cast<LONG>(B - ch - 20)};
  out.contentBottom = static_cast<int>(B - ch - 48);
  const float customRight = out.customButton.x + cw;
  out.schedule = RectF(customRight + 20, static_cast<float>(out.customButton.y),
                       std::max(0.0f, (R - 20) - (customRight + 20)), ch);

  const float bgw = static_cast<float>(in.computerBg.cx), bgh = static_cast<float>(in.computerBg.cy);
  out.computerBg = RectF(L + 2, T + 80, bgw, bgh);
  const float pw = static_cast<float>(in.computer.cx), ph = static_cast<float>(in.computer.cy);
  out.computer = RectF(out.computerBg.X + (bgw - pw) / 2, out.computerBg.Y + (bgh - ph) / 2, pw, ph);

  const float bgRight = out.computerBg.X + bgw;
  const float sw = static_cast<float>(in.startButton.cx), sh = static_cast<float>(in.startButton.cy);
  out.startButton = {static_cast<LONG>(bgRight + (W - bgw - sw) / 2),
                     static_cast<LONG>(out.contentBottom - sh - 20)};

  const float height = 6.0f * static_cast<float>(static_cast<int>(in.statFontHeight));
  const float width = std::max(0.0f, std::min(525.0f, R - bgRight - L - 30));
  const float x = bgRight + ((R - bgRight) - width) / 2;
  const float top = out.banner.Y + out.banner.Height;
  const float lower = std::min(static_cast<float>(out.startButton.y), out.computerBg.Y + bgh);
  out.stats = RectF(x, top + ((lower - top) - height) / 2, width, height);
  return out;
}

Gdiplus::RectF StatisticsCell(const Gdiplus::RectF& block, int column, int row) {
  const float w = block.Width / 2, h = block.Height / 2;
  return Gdiplus::RectF(block.X + column * w, block.Y + row * h, w, h);
}

namespace {

std::wstring FormatText(std::wstring_view text, const int* value) {
  std::wstring out;
  bool used = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'%' || i + 1 >= text.size()) {
      out += text[i];
      continue;
    }
    const wchar_t next = text[i + 1];
    if (next == L'%') {
      out += L'%';
      ++i;
    } else if (value && !used && (next == L'd' || next == L'i' || next == L'u')) {
      out += next == L'u' ? std::to_wstring(static_cast<unsigned>(*value)) : std::to_wstring(*value);
      used = true;
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::wstring FormatTextNoArgs(std::wstring_view text) { return FormatText(text, nullptr); }
std::wstring FormatTextInt(std::wstring_view text, int value) { return FormatText(text, &value); }
