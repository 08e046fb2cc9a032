#include "framework/LayoutDpi.h"

#include <vector>

#include "framework/Trace.h"

namespace {

LONG RoundedScale(long long value, long long numerator, long long denominator) {
  const long long scaled = value * numerator;
  const long long magnitude =
      ((scaled < 0 ? -scaled : scaled) * 2 + denominator) / (2 * denominator);
  return static_cast<LONG>(scaled < 0 ? -magnitude : magnitude);
}

LONG Rescale(LONG value, int placed, int wanted) {
  return placed > 0 ? RoundedScale(value, wanted, placed) : value;
}

RECT ChildRectInParent(HWND child, HWND parent) {
  RECT r{};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool IsComboBox(HWND hwnd) {
  wchar_t name[16] = L"";
  ::GetClassNameW(hwnd, name, 16);
  return ::lstrcmpiW(name, L"ComboBox") == 0;
}

}  // namespace

int ReportedScreenDpi() {
  // The figure is fixed for the life of a DPI-unaware process: the screen is
  // asked once (again only while it could not answer).
  static int reported = 0;
  if (reported > 0) return reported;
  if (HDC screen = ::GetDC(nullptr)) {
    reported = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
  }
  return reported > 0 ? reported : kLayoutDpi;
}

LONG ToLayoutDpi(LONG value, int screenDpi) {
  if (screenDpi <= 0 || screenDpi == kLayoutDpi) return value;
  return RoundedScale(value, kLayoutDpi, screenDpi);
}

SIZE CheckMarkSize() {
  const int dpi = ReportedScreenDpi();
  return SIZE{ToLayoutDpi(::GetSystemMetrics(SM_CXMENUCHECK), dpi),
              ToLayoutDpi(::GetSystemMetrics(SM_CYMENUCHECK), dpi)};
}

RECT RescaleDialogRect(const RECT& r, DialogUnits placed, DialogUnits wanted) {
  // As the dialog manager places a control: origin and size each rounded.
  const LONG left = Rescale(r.left, placed.x, wanted.x);
  const LONG top = Rescale(r.top, placed.y, wanted.y);
  return {left, top, left + Rescale(r.right - r.left, placed.x, wanted.x),
          top + Rescale(r.bottom - r.top, placed.y, wanted.y)};
}

DialogUnits DialogUnitsOfFont(HFONT font) {
  DialogUnits units;
  HDC dc = ::GetDC(nullptr);
  if (!dc) return units;
  HGDIOBJ old = ::SelectObject(dc, font);
  TEXTMETRICW tm{};
  SIZE size{};
  static constexpr wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  if (::GetTextMetricsW(dc, &tm) && ::GetTextExtentPoint32W(dc, kLetters, 52, &size)) {
    units.x = (size.cx / 26 + 1) / 2;
    units.y = tm.tmHeight;
  }
  ::SelectObject(dc, old);
  ::ReleaseDC(nullptr, dc);
  return units;
}

UniqueFont FitDialogToLayoutDpi(HWND dialog) {
  const int dpi = ReportedScreenDpi();
  if (dpi == kLayoutDpi) return UniqueFont();
  auto* font = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
  LOGFONTW lf{};
  if (!font || !::GetObjectW(font, sizeof(lf), &lf)) return UniqueFont();
  lf.lfHeight = ToLayoutDpi(lf.lfHeight, dpi);
  UniqueFont layoutFont(::CreateFontIndirectW(&lf));
  if (!layoutFont) {
    TraceLastError(L"CreateFontIndirect for the layout DPI");
    return UniqueFont();
  }
  RECT four{0, 0, 4, 8};
  ::MapDialogRect(dialog, &four);
  const DialogUnits placed{four.right, four.bottom};
  const DialogUnits wanted = DialogUnitsOfFont(layoutFont.get());
  if (placed.x <= 0 || placed.y <= 0 || wanted.x <= 0 || wanted.y <= 0) return UniqueFont();

  std::vector<HWND> children;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    children.push_back(child);
  for (HWND child : children) {
    RECT r = ChildRectInParent(child, dialog);
    // A drop-down list's window is its closed box; the template gave the
    // height with the list open.
    if (IsComboBox(child)) {
      RECT dropped{};
      if (::SendMessageW(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped))) {
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&dropped), 2);
        r = dropped;
      }
    }
    const RECT fitted = RescaleDialogRect(r, placed, wanted);
    if (reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0)) == font)
      ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(layoutFont.get()), FALSE);
    ::SetWindowPos(child, nullptr, fitted.left, fitted.top, fitted.right - fitted.left,
                   fitted.bottom - fitted.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RECT client{};
  ::GetClientRect(dialog, &client);
  RECT frame = RescaleDialogRect(client, placed, wanted);
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_EXSTYLE));
  ::AdjustWindowRectEx(&frame, style, !(style & WS_CHILD) && ::GetMenu(dialog), exStyle);
  ::SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(layoutFont.get()), FALSE);
  return layoutFont;
}
