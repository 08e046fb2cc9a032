#pragma once
// CTrayIcon: the application's notification-area icon, its menu and its
// balloons. CTrayHook watches the owner window for the icon's callback message
// and for the shell's "TaskbarCreated" broadcast (the icon is added again after
// the shell restarts), then lets the owner see the message too.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "framework/SubclassWnd.h"
#include "themedata/resource.h"

class CTrayIcon;

class CTrayHook : public CSubclassWnd {
 public:
  explicit CTrayHook(CTrayIcon& icon) : m_icon(icon) {}

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  CTrayIcon& m_icon;
};

class CTrayIcon {
 public:
  CTrayIcon();
  ~CTrayIcon();
  CTrayIcon(const CTrayIcon&) = delete;
  CTrayIcon& operator=(const CTrayIcon&) = delete;

  // Sets the owner window (it receives the callback and the menu's commands)
  // and hooks it and, when different, its top-level parent.
  void Attach(HWND owner);
  // The menu shown on a right click: menu id in the given module.
  void SetMenu(HINSTANCE module, UINT menuId);
  // Adds the icon (no icon before) or modifies it. A null icon keeps the
  // current one; with none current nothing happens. Returns the shell's answer.
  bool SetIconAndTip(HICON icon, const wchar_t* tip);
  void Remove();
  // A warning balloon (90 s time-out) over the icon.
  bool ShowBalloon(const wchar_t* text, const wchar_t* title);

  void OnNotification(WPARAM id, LPARAM mouseMessage);
  void OnTaskbarCreated();

  bool HasIcon() const { return m_data.hIcon != nullptr; }
  const wchar_t* Tip() const { return m_data.szTip; }
  HWND Owner() const { return m_data.hWnd; }
  static UINT TaskbarCreatedMessage();

 private:
  bool Notify(DWORD message);

  NOTIFYICONDATAW m_data{};
  HINSTANCE m_menuModule = nullptr;
  UINT m_menuId = IDR_TRAY_MENU;
  CTrayHook m_ownerHook{*this};
  CTrayHook m_parentHook{*this};
};

// The tray tip shows "&&&" as one "&": every "&" of the title is tripled.
std::wstring EscapeTrayTip(const std::wstring& text);
