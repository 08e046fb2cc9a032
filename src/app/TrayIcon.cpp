#include "app/TrayIcon.h"

#include <algorithm>
#include <cwchar>

#include "framework/Messages.h"
#include "themedata/resource.h"

namespace {
template <size_t N>
void CopyBounded(wchar_t (&dst)[N], const wchar_t* src) {
  wcsncpy(dst, src ? src : L"", N - 1);
  dst[N - 1] = 0;
}
}  // namespace

std::wstring EscapeTrayTip(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'&')
      out += L"&&&";
    else
      out += c;
  }
  return out;
}

UINT CTrayIcon::TaskbarCreatedMessage() {
  static const UINT id = RegisterWindowMessageW(L"TaskbarCreated");
  return id;
}

LRESULT CTrayHook::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == msg::kTrayCallback && HookedWindow() == m_icon.Owner())
    m_icon.OnNotification(wp, lp);
  else if (msg == CTrayIcon::TaskbarCreatedMessage() && msg != 0)
    m_icon.OnTaskbarCreated();
  return Default(msg, wp, lp);
}

CTrayIcon::CTrayIcon() {
  m_data.cbSize = sizeof(NOTIFYICONDATAW);
  m_data.uID = 0;
}

CTrayIcon::~CTrayIcon() {
  Remove();
  m_parentHook.Unhook();
  m_ownerHook.Unhook();
}

void CTrayIcon::Attach(HWND owner) {
  m_data.hWnd = owner;
  m_data.uCallbackMessage = msg::kTrayCallback;
  m_ownerHook.Hook(owner);
  HWND top = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
  m_parentHook.Hook(top && top != owner ? top : nullptr);
}

void CTrayIcon::SetMenu(HINSTANCE module, UINT menuId) {
  m_menuModule = module;
  m_menuId = menuId;
}

bool CTrayIcon::Notify(DWORD message) {
  m_data.cbSize = sizeof(NOTIFYICONDATAW);
  m_data.uFlags = NIF_ICON;
  if (m_data.szTip[0]) m_data.uFlags |= NIF_TIP;
  if (m_data.uCallbackMessage && m_data.hWnd) m_data.uFlags |= NIF_MESSAGE;
  const bool ok = Shell_NotifyIconW(message, &m_data) != FALSE;
  // A refused call or a delete leaves no icon: the next update adds it again.
  if (!ok || message == NIM_DELETE) m_data.hIcon = nullptr;
  return ok;
}

bool CTrayIcon::SetIconAndTip(HICON icon, const wchar_t* tip) {
  if (tip) CopyBounded(m_data.szTip, tip);
  if (!icon && !m_data.hIcon) return false;
  const DWORD op = m_data.hIcon ? NIM_MODIFY : NIM_ADD;
  if (icon) m_data.hIcon = icon;
  return Notify(op);
}

void CTrayIcon::Remove() {
  if (m_data.hIcon) Notify(NIM_DELETE);
}

bool CTrayIcon::ShowBalloon(const wchar_t* text, const wchar_t* title) {
  NOTIFYICONDATAW b{};
  b.cbSize = NOTIFYICONDATAW_V2_SIZE;
  b.hWnd = m_data.hWnd;
  b.uID = m_data.uID;
  b.uFlags = NIF_INFO;
  b.uTimeout = 90000;
  b.dwInfoFlags = NIIF_WARNING;
  CopyBounded(b.szInfo, text);
  CopyBounded(b.szInfoTitle, title);
  return Shell_NotifyIconW(NIM_MODIFY, &b) != FALSE;
}

void CTrayIcon::OnNotification(WPARAM id, LPARAM mouseMessage) {
  if (id != 0 || (mouseMessage != WM_RBUTTONUP && mouseMessage != WM_LBUTTONDBLCLK)) return;
  HMENU menu = LoadMenuW(m_menuModule, MAKEINTRESOURCEW(m_menuId));
  if (!menu) return;
  if (HMENU sub = GetSubMenu(menu, 0)) {
    const HWND owner = m_data.hWnd;
    if (mouseMessage == WM_RBUTTONUP) {
      SetMenuDefaultItem(sub, 0, TRUE);
      POINT pt{};
      GetCursorPos(&pt);
      SetForegroundWindow(owner);
      TrackPopupMenu(sub, TPM_LEFTBUTTON, pt.x, pt.y, 0, owner, nullptr);
      PostMessageW(owner, WM_NULL, 0, 0);
    } else {
      SendMessageW(owner, WM_COMMAND, ID_TRAY_OPEN, 0);
    }
  }
  DestroyMenu(menu);
}

void CTrayIcon::OnTaskbarCreated() {
  HICON icon = m_data.hIcon;
  m_data.hIcon = nullptr;
  if (icon) SetIconAndTip(icon, nullptr);
}
