// Renders the main window (optionally on another tab, or with the close-to-tray
// popup open) and saves it as PNG, for a look at what the user sees.
//   tool_snapshot_mainframe [out.png] [tab index | close]
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <string>

#include "alerts/CloseDlg.h"
#include "app/MainFrame.h"
#include "support/FrameHarness.h"
#include "theme/ThemeResources.h"

namespace {
HWND g_frame = nullptr;
std::wstring g_out;
bool g_saved = false;

// Inside the popup's modal loop: save the screen, then close the popup.
void CALLBACK CaptureAndClose(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_saved = SaveWindowPng(g_frame, g_out);
  HWND popup = GetWindow(g_frame, GW_HWNDPREV);
  while (popup && GetWindow(popup, GW_OWNER) != g_frame) popup = GetWindow(popup, GW_HWNDPREV);
  if (popup) PostMessageW(popup, WM_COMMAND, IDCANCEL, 0);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  g_out = argc > 1 ? argv[1] : L"mainframe.png";
  const std::wstring what = argc > 2 ? argv[2] : L"";
  int rc = 1;
  {
    FrameHarness harness;
    if (!harness.Start()) {
      std::fprintf(stderr, "could not start the main window\n");
      return 1;
    }
    CMainFrame& frame = harness.Frame();
    g_frame = frame.m_hWnd;
    if (!what.empty() && what != L"close") frame.SelectTab(_wtoi(what.c_str()), true);
    PumpFor(600);
    if (what == L"close") {
      SetTimer(nullptr, 0, 600, &CaptureAndClose);
      CCloseDlg dlg(Theme().ResourceModule());
      dlg.DoModal(frame.m_hWnd);
    } else {
      g_saved = SaveWindowPng(frame.m_hWnd, g_out);
    }
    rc = g_saved ? 0 : 1;
    std::fwprintf(stdout, L"%ls: %ls\n", g_out.c_str(), g_saved ? L"saved" : L"FAILED");
  }
  CoUninitialize();
  return rc;
}
