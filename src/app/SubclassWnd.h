#pragma once
// CSubclassWnd: hooks the window procedure of a window that belongs to someone
// else, so that several independent objects can watch the same window's
// messages. The hooks of one window form a chain, most recent first; each
// passes a message on to the one installed before it, and the oldest passes it
// to the window's own procedure. The chain head lives in a window property, so
// a destroyed window takes the whole chain down with it (WM_NCDESTROY).
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
  // Every message sent to the hooked window; the default passes it on.
  virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
  // Passes the message to the previous hook, or to the window's own procedure.
  LRESULT Default(UINT msg, WPARAM wp, LPARAM lp);

 private:
  static LRESULT CALLBACK HookProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static CSubclassWnd* Head(HWND hwnd);

  HWND m_hwnd = nullptr;
  WNDPROC m_origProc = nullptr;        // the window's own procedure
  CSubclassWnd* m_previous = nullptr;  // the hook installed before this one
};
