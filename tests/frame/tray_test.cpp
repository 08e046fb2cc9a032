#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/SubclassWnd.h"
#include "app/TrayIcon.h"
#include "framework/Messages.h"
#include "themedata/resource.h"

namespace {

// A plain top-level window whose own procedure records what reaches it.
struct PlainWindow {
  static std::vector<UINT>& Seen() {
    static std::vector<UINT> seen;
    return seen;
  }
  static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m >= WM_USER) Seen().push_back(m);
    return DefWindowProcW(h, m, w, l);
  }
  PlainWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"RRTrayTestWindow";
    RegisterClassW(&wc);
    hwnd = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           wc.hInstance, nullptr);
    Seen().clear();
  }
  ~PlainWindow() {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  }
  HWND hwnd;
};

// A hook that records every application message it sees, tagged with its name.
struct RecordingHook : CSubclassWnd {
  RecordingHook(std::wstring n, std::vector<std::wstring>& log) : name(std::move(n)), log(log) {}
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg >= WM_USER) log.push_back(name);
    if (msg == WM_NCDESTROY) log.push_back(name + L":ncdestroy");
    return Default(msg, wp, lp);
  }
  std::wstring name;
  std::vector<std::wstring>& log;
};

}  // namespace

TEST(SubclassWnd, TwoHooksOnOneWindowChainMostRecentFirst) {
  PlainWindow w;
  const LONG_PTR ownProc = GetWindowLongPtrW(w.hwnd, GWLP_WNDPROC);
  std::vector<std::wstring> log;
  RecordingHook older(L"older", log), newer(L"newer", log);
  ASSERT_TRUE(older.Hook(w.hwnd));
  ASSERT_TRUE(newer.Hook(w.hwnd));
  SendMessageW(w.hwnd, WM_USER + 5, 0, 0);
  EXPECT_EQ((std::vector<std::wstring>{L"newer", L"older"}), log);
  EXPECT_EQ(1u, PlainWindow::Seen().size());  // the window itself still gets it, once

  // Unhooking the older one keeps the newer working and the window reachable.
  log.clear();
  older.Unhook();
  SendMessageW(w.hwnd, WM_USER + 6, 0, 0);
  EXPECT_EQ((std::vector<std::wstring>{L"newer"}), log);
  EXPECT_EQ(2u, PlainWindow::Seen().size());

  // The last hook gone, the window has its own procedure back.
  newer.Unhook();
  EXPECT_EQ(ownProc, GetWindowLongPtrW(w.hwnd, GWLP_WNDPROC));
  log.clear();
  SendMessageW(w.hwnd, WM_USER + 7, 0, 0);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(3u, PlainWindow::Seen().size());
}

TEST(SubclassWnd, DestroyedWindowUnhooksEveryHook) {
  std::vector<std::wstring> log;
  RecordingHook a(L"a", log), b(L"b", log);
  {
    PlainWindow w;
    ASSERT_TRUE(a.Hook(w.hwnd));
    ASSERT_TRUE(b.Hook(w.hwnd));
    // Unhooking the newer one first, then re-hooking, keeps the chain sound.
    b.Unhook();
    ASSERT_TRUE(b.Hook(w.hwnd));
  }
  EXPECT_FALSE(a.IsHooked());
  EXPECT_FALSE(b.IsHooked());
  // WM_NCDESTROY goes to the window's own procedure, not through the hooks.
  for (const auto& e : log) EXPECT_EQ(std::wstring::npos, e.find(L"ncdestroy"));
}

TEST(TrayIcon, TipEscapesAmpersands) {
  EXPECT_EQ(L"A &&& B", EscapeTrayTip(L"A & B"));
  EXPECT_EQ(L"&&&&&&", EscapeTrayTip(L"&&"));
  EXPECT_EQ(L"plain", EscapeTrayTip(L"plain"));
}

TEST(TrayIcon, AddModifyBalloonAndRemove) {
  PlainWindow w;
  CTrayIcon tray;
  tray.Attach(w.hwnd);
  // No icon given and none current: nothing happens.
  EXPECT_FALSE(tray.SetIconAndTip(nullptr, L"tip"));
  EXPECT_FALSE(tray.HasIcon());
  HICON icon = LoadIconW(nullptr, IDI_APPLICATION);
  ASSERT_TRUE(tray.SetIconAndTip(icon, L"first"));
  EXPECT_TRUE(tray.HasIcon());
  EXPECT_TRUE(tray.SetIconAndTip(nullptr, std::wstring(300, L'x').c_str()));
  EXPECT_EQ(127u, wcslen(tray.Tip()));
  EXPECT_TRUE(tray.ShowBalloon(std::wstring(400, L'b').c_str(), nullptr));
  tray.Remove();
  EXPECT_FALSE(tray.HasIcon());
  // After a remove, a modify is refused by the shell; the icon is added again by an update.
  EXPECT_TRUE(tray.SetIconAndTip(icon, L"again"));
  EXPECT_TRUE(tray.HasIcon());
}

TEST(TrayIcon, ReappearsAfterTaskbarRestart) {
  PlainWindow w;
  CTrayIcon tray;
  tray.Attach(w.hwnd);
  HICON icon = LoadIconW(nullptr, IDI_APPLICATION);
  ASSERT_TRUE(tray.SetIconAndTip(icon, L"tip & more"));
  // The shell forgets the icon when it restarts...
  NOTIFYICONDATAW gone{};
  gone.cbSize = sizeof(gone);
  gone.hWnd = w.hwnd;
  gone.uID = 0;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &gone));
  // ...and tells everyone with "TaskbarCreated": the icon is added again.
  SendMessageW(w.hwnd, CTrayIcon::TaskbarCreatedMessage(), 0, 0);
  EXPECT_TRUE(tray.HasIcon());
  gone.uFlags = NIF_TIP;
  wcscpy(gone.szTip, L"probe");
  EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &gone)) << "the icon exists again";
  EXPECT_EQ(std::wstring(L"tip & more"), tray.Tip());
}

TEST(TrayIcon, DoubleClickOpensWindowAndOwnerStillSeesCallback) {
  PlainWindow w;
  CTrayIcon tray;
  tray.Attach(w.hwnd);
  // A menu with one submenu stands in for the resource library's tray menu (IDR_TRAY_MENU).
  HMENU bar = CreateMenu();
  HMENU sub = CreatePopupMenu();
  AppendMenuW(sub, MF_STRING, ID_TRAY_OPEN, L"Open");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), L"Tray");
  // LoadMenuW needs a resource; without one, clicks do nothing at all.
  tray.SetMenu(GetModuleHandleW(nullptr), 60000);
  PlainWindow::Seen().clear();
  SendMessageW(w.hwnd, msg::kTrayCallback, 0, WM_LBUTTONDBLCLK);
  // The owner sees the callback message itself (the hook passes it on) but no
  // command, because the menu could not be loaded.
  EXPECT_EQ((std::vector<UINT>{msg::kTrayCallback}), PlainWindow::Seen());
  DestroyMenu(bar);
}
