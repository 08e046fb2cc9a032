#pragma once
// CSubclassWnd: watches the messages of a window that belongs to someone else
// (a CWnd or any other window), so that several independent objects can watch
// the same window. It uses the platform's window subclassing (comctl32's
// SetWindowSubclass), the one mechanism CWnd uses too: subclasses of one window
// run most recent first, each passes a message on to the one installed before
// it, and any of them can be removed in any order without disturbing the
// others. A destroyed window removes every hook on its WM_NCDESTROY.
#include <windows.h>

class CSubclassWnd {
 public:
  CSubclassWnd() = default;
  virtual ~CSubclassWnd();
  CSubclassWnd(const CSubclassWnd&) = delete;
  CSubclassWnd& operator=(const CSubclassWnd&) = delete;

  // Installs this hook on the window (unhooking it from any other first);
  // a null window unhooks. Returns false when the window could not be hooked.
  bool Hook(HWND hwnd);
  void Unhook();
  HWND HookedWindow() const { return m_hwnd; }
  bool IsHooked() const { return m_hwnd != nullptr; }

 protected:
  // Every message sent to the hooked window but WM_NCDESTROY; the default
  // passes it on.
  virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
  // Passes the message to the previous hook, or to the window's own procedure.
  LRESULT Default(UINT msg, WPARAM wp, LPARAM lp);

 private:
  static LRESULT CALLBACK HookProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                   DWORD_PTR self);

  HWND m_hwnd = nullptr;
};
