// The main window on each tab and with the close-to-tray popup, at whatever
// DPI the screen has: run it once per LogPixels setting to compare.
#include <windows.h>

#include <string>

#include "alerts/CloseDlg.h"
#include "app/MainFrame.h"
#include "snapshot/Snapshot.h"
#include "support/FrameHarness.h"
#include "theme/ThemeResources.h"

namespace {

std::wstring DpiSuffix() {
  int dpi = 96;
  if (HDC screen = ::GetDC(nullptr)) {
    dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
  }
  return L"_" + std::to_wstring(dpi) + L"dpi";
}

snapshot::Context* g_ctx = nullptr;
HWND g_frame = nullptr;

void CALLBACK CaptureCloseDialog(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  g_ctx->Capture(g_frame, L"main_window_close_dialog" + DpiSuffix());
  HWND popup = ::GetWindow(g_frame, GW_HWNDPREV);
  while (popup && ::GetWindow(popup, GW_OWNER) != g_frame) popup = ::GetWindow(popup, GW_HWNDPREV);
  if (popup) ::PostMessageW(popup, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace

SNAPSHOT_SCENE(main_window) {
  FrameHarness harness;
  if (!harness.Start()) return;
  CMainFrame& frame = harness.Frame();
  const std::wstring suffix = DpiSuffix();
  for (int tab = 0; tab < frame.GetTabCount(); ++tab) {
    frame.SelectTab(tab, true);
    snapshot::PumpFor(400);
    ctx.Capture(frame.m_hWnd, L"main_window_tab" + std::to_wstring(tab) + suffix);
  }
  frame.SelectTab(0, true);
  snapshot::PumpFor(200);
  g_ctx = &ctx;
  g_frame = frame.m_hWnd;
  ::SetTimer(nullptr, 0, 600, &CaptureCloseDialog);
  CCloseDlg dlg(Theme().ResourceModule());
  dlg.DoModal(frame.m_hWnd);
}
