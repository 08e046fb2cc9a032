// Scenes of the ignore list tab, empty and filled, in the main window against
// the fake engine.
#include <windows.h>

#include <string>

#include "app/MainFrame.h"
#include "snapshot/Snapshot.h"
#include "support/FakeEngine.h"
#include "support/FrameHarness.h"

namespace {

std::wstring ScanConfig(const std::wstring& inner) {
  return L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><ScanConfig>" + inner + L"</ScanConfig>";
}

}  // namespace

SNAPSHOT_SCENE(ignore_page) {
  FrameHarness h;
  if (!h.Start(800, 600)) return;
  CMainFrame& frame = h.Frame();
  FakeEngine& engine = h.Engine();

  engine.SetText(L"GetScanConfig", ScanConfig(L""));
  frame.SelectTab(CMainFrame::kTabIgnore, true);
  snapshot::PumpFor(100);
  ctx.Capture(frame.m_hWnd, L"ignore_page_empty");

  FakeEngine::ThreatInfo info;
  info.texts[4] = L"Trojan.Agent.Downloader";
  engine.values().threats[4711] = info;
  info.texts[4] = L"Adware.Toolbar.Search";
  engine.values().threats[815] = info;
  engine.SetText(L"GetScanConfig",
                 ScanConfig(L"<IgnoredThreats IsDirty=\"false\">"
                            L"<IgnoredThreat Source=\"1\" Id=\"4711\"/>"
                            L"<IgnoredThreat Source=\"1\" Id=\"815\"/></IgnoredThreats>"
                            L"<KnownApps>"
                            L"<KnownApp FilePath=\"C:\\Program Files\\Tools\\Remote Helper\\helper.exe\" FilePathType=\"2\"/>"
                            L"<KnownApp FilePath=\"D:\\Projects\\Builds\" FilePathType=\"6\"/>"
                            L"<KnownApp FilePath=\"C:\\Users\\Someone\\AppData\\Local\\A Very Long Folder Name That Keeps Going\\And Going\\Until It No Longer Fits In The Row\\setup.exe\" FilePathType=\"2\"/>"
                            L"</KnownApps>"));
  frame.SelectTab(CMainFrame::kTabOverview, true);
  frame.SelectTab(CMainFrame::kTabIgnore, true);
  snapshot::PumpFor(100);
  ctx.Capture(frame.m_hWnd, L"ignore_page_filled");
}
