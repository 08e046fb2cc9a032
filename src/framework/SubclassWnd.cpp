#include "framework/SubclassWnd.h"

#include <commctrl.h>

#include <exception>

#include "framework/Trace.h"
#include "framework/WinAppEx.h"

CSubclassWnd::~CSubclassWnd() { Unhook(); }

bool CSubclassWnd::Hook(HWND hwnd) {
  Unhook();
  if (!hwnd) return true;
  if (!::IsWindow(hwnd)) return false;
  // The object's address tells its subclass apart from the others on the window.
  if (!::SetWindowSubclass(hwnd, &HookProc, reinterpret_cast<UINT_PTR>(this),
                           reinterpret_cast<DWORD_PTR>(this))) {
    TraceLastError(L"SetWindowSubclass");
    return false;
  }
  m_hwnd = hwnd;
  return true;
}

void CSubclassWnd::Unhook() {
  if (!m_hwnd) return;
  if (::IsWindow(m_hwnd))
    ::RemoveWindowSubclass(m_hwnd, &HookProc, reinterpret_cast<UINT_PTR>(this));
  m_hwnd = nullptr;
}

LRESULT CSubclassWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) { return Default(msg, wp, lp); }

LRESULT CSubclassWnd::Default(UINT msg, WPARAM wp, LPARAM lp) {
  return ::DefSubclassProc(m_hwnd, msg, wp, lp);
}

LRESULT CALLBACK CSubclassWnd::HookProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                        DWORD_PTR self) {
  auto* hook = reinterpret_cast<CSubclassWnd*>(self);
  if (msg == WM_NCDESTROY) {
    hook->Unhook();
    return ::DefSubclassProc(hwnd, msg, wp, lp);
  }
  try {
    return hook->WindowProc(msg, wp, lp);
  } catch (...) {
    // No C++ exception may unwind through the system's frames: the message
    // loop rethrows it once DispatchMessage has returned.
    if (CWinAppEx* app = AfxGetApp()) app->StashException(std::current_exception());
    return 0;
  }
}
