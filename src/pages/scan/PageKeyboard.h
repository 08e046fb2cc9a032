#pragma once
// Keyboard use of the themed buttons of a page. Owner-drawn buttons answer
// Space by themselves (the platform button clicks on the key's release), but
// the dialog manager turns Enter on them into the dialog's default command,
// which pages ignore. A page calls this from PreTranslateMessage so that Enter
// on a focused button of its own clicks that button.
#include <windows.h>

#include <initializer_list>

// True (the key is used up) when msg is Enter pressed on one of the page's
// enabled buttons `ids`: the page is then sent the button's BN_CLICKED.
inline bool ClickFocusedButtonOnEnter(HWND page, const MSG& msg, std::initializer_list<UINT> ids) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_RETURN) return false;
  HWND focus = ::GetFocus();
  if (!focus || ::GetParent(focus) != page || !::IsWindowEnabled(focus)) return false;
  const UINT id = static_cast<UINT>(::GetDlgCtrlID(focus));
  for (UINT candidate : ids) {
    if (candidate != id) continue;
    ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(focus));
    return true;
  }
  return false;
}
