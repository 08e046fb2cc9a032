// Scenes of the overview tab in its three colours and of the scan page, empty
// and with a custom folder list, in the main window against the fake engine.
#include <windows.h>

#include <optional>
#include <string>

#include "app/MainFrame.h"
#include "app/RodeRedudApp.h"
#include "pages/scan/ScanPage.h"
#include "snapshot/Snapshot.h"
#include "support/FakeEngine.h"
#include "support/FrameHarness.h"

namespace {

std::wstring Pairs(const std::wstring& quick, const std::wstring& full, const wchar_t* count,
                   const wchar_t* level) {
  return L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><NVPairs SchemaVersion=\"4.0.0\">"
         L"<NVPair Name=\"last_quick_scan\" Value=\"" + quick + L"\"/>"
         L"<NVPair Name=\"last_full_scan\" Value=\"" + full + L"\"/>"
         L"<NVPair Name=\"last_scan_threat_count\" Value=\"" + std::wstring(count) + L"\"/>"
         L"<NVPair Name=\"last_scan_threat_level\" Value=\"" + std::wstring(level) + L"\"/>"
         L"</NVPairs>";
}

// Now as FILETIME ticks, less some days.
std::wstring DaysAgo(int days) {
  FILETIME ft{};
  GetSystemTimeAsFileTime(&ft);
  const int64_t now = (static_cast<int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return std::to_wstring(now - days * 864000000000LL);
}

std::wstring ScanConfig(const std::wstring& paths) {
  return L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><ScanConfig><ScanSettings>"
         L"<ScanSetting ScanType=\"2\"><PathsToScan>" + paths +
         L"</PathsToScan></ScanSetting></ScanSettings></ScanConfig>";
}

}  // namespace

SNAPSHOT_SCENE(overview_and_scan_pages) {
  FrameHarness h;
  if (!h.Start(800, 600)) return;
  h.App().Seams().messageBox = [](HWND, const std::wstring&, const std::wstring&, UINT) {
    return IDOK;
  };
  h.App().Seams().browseForFolder = [](const BROWSEINFOW&) -> std::optional<std::wstring> {
    return std::nullopt;
  };
  CMainFrame& frame = h.Frame();
  FakeEngine& engine = h.Engine();
  engine.SetText(L"GetDefinitionsStatus", L"2026-12-01T06:30:00");
  struct State {
    const wchar_t* name;
    std::wstring pairs;
    LONG lastType;
    const wchar_t* lastScan;
  } states[] = {
      {L"overview_orange_fresh_install", Pairs(L"0", L"0", L"0", L"-1"), 0, L""},
      {L"overview_green", Pairs(DaysAgo(1), DaysAgo(6), L"0", L"-1"), 0, L"2026-12-09T08:15:00"},
      {L"overview_red", Pairs(DaysAgo(0), L"0", L"3", L"2"), 1, L"2026-12-10T10:05:00"},
      {L"overview_orange_low_risk", Pairs(DaysAgo(2), L"0", L"2", L"4"), 2,
       L"2026-12-08T17:45:00"},
  };
  for (const State& s : states) {
    engine.SetText(L"GetConfigDocument", s.pairs);
    engine.values().lastScanType = s.lastType;
    engine.values().lastScanResult = *s.lastScan ? S_OK : S_FALSE;
    engine.SetText(L"GetLastScan", s.lastScan);
    frame.SelectTab(CMainFrame::kTabScan, true);
    frame.SelectTab(CMainFrame::kTabOverview, true);
    snapshot::PumpFor(100);
    ctx.Capture(frame.m_hWnd, s.name);
  }

  engine.SetText(L"GetScanConfig", ScanConfig(L""));
  frame.SelectTab(CMainFrame::kTabScan, true);
  snapshot::PumpFor(100);
  ctx.Capture(frame.m_hWnd, L"scan_page_quick");

  wchar_t windows[MAX_PATH] = L"";
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring w = windows;
  // Leaving the scan page writes its list back: set the folders once it is hidden.
  frame.SelectTab(CMainFrame::kTabOverview, true);
  engine.SetText(L"GetScanConfig",
                 ScanConfig(L"<Paths Path=\"" + w + L"\"/><Paths Path=\"" + w +
                            L"\\system32\"/><Paths Path=\"" + w +
                            L"\\system32\\drivers\\etc\"/><Paths Path=\"" + w + L"\\fonts\"/>"));
  frame.SelectTab(CMainFrame::kTabScan, true);
  if (CScanPage* scan = frame.ScanPage()) scan->ChooseCustomScan();
  snapshot::PumpFor(100);
  ctx.Capture(frame.m_hWnd, L"scan_page_custom_list");
}
