#pragma once
// CFrameWnd: a top-level frame window of a class registered under a given name
// (the main window's class name comes from the theme so that a second start of
// the program can find the running one).

#include "framework/Wnd.h"

class CFrameWnd : public CWnd {
 public:
  // Registers className once for this process (double clicks, no background
  // brush, full repaint on resize, the given icon) and creates the window with the
  // style that PreCreateWindow settles on. Returns false when it failed.
  bool CreateFrame(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle,
                   const RECT& rect, HWND parent = nullptr, HICON icon = nullptr);

  // When set, destroying the window ends the thread's message loop (WM_QUIT 0).
  // The application sets it on its main window.
  void SetQuitOnDestroy(bool quit) { m_quitOnDestroy = quit; }
  bool GetQuitOnDestroy() const { return m_quitOnDestroy; }

 protected:
  // Last chance to change class, style, position or parent before creation.
  virtual void PreCreateWindow(CREATESTRUCTW& cs);
  void OnNcDestroy() override;

 private:
  bool m_quitOnDestroy = false;
};
