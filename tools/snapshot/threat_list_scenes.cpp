// Scenes of the threat list: the results page in the main window with an
// expanded record, the same with the action drop-down open, and the list in
// check-box mode as the quarantine shows it.
#include <windows.h>

#include <string>

#include "app/MainFrame.h"
#include "framework/Wnd.h"
#include "pages/scan/ResultsPage.h"
#include "pages/scan/ScanResultsList.h"
#include "snapshot/Snapshot.h"
#include "support/FakeEngine.h"
#include "support/FrameHarness.h"

namespace {

const wchar_t kResults[] =
    L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ARDOThreatEngineResults version=\"4.0.0\"><threats>"
    L"<threat id=\"101\" name=\"Trojan.Agent.Downloader\" level=\"1\" category=\"Trojan\" "
    L"adviseType=\"3\" canQuarantine=\"true\" actionRequested=\"-1\" cleanerResult=\"0\">"
    L"<desc>Downloads and runs further programs without asking.</desc>"
    L"<threatAdviceDetails>Quarantine the files.</threatAdviceDetails><traces>"
    L"<trace type=\"1\" dispValue=\"C:\\Users\\Public\\Downloads\\setup_helper.exe\"/>"
    L"<trace type=\"2\" dispValue=\"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\helper\"/>"
    L"<trace type=\"1\" dispValue=\"C:\\Windows\\Temp\\dl.tmp\"/></traces></threat>"
    L"<threat id=\"102\" name=\"Adware.Toolbar\" level=\"4\" category=\"Adware\" adviseType=\"1\" "
    L"canQuarantine=\"false\" actionRequested=\"-1\" cleanerResult=\"0\"><desc>Shows ads.</desc>"
    L"<threatAdviceDetails>Delete it.</threatAdviceDetails><traces>"
    L"<trace type=\"1\" dispValue=\"C:\\Program Files\\Toolbar\\tb.dll\"/></traces></threat>"
    L"<threat id=\"103\" name=\"EICAR-Test-File\" level=\"3\" category=\"Test file\" adviseType=\"3\" "
    L"canQuarantine=\"true\" actionRequested=\"5\" cleanerResult=\"0\"><desc>A test file.</desc>"
    L"<threatAdviceDetails>Harmless.</threatAdviceDetails><traces>"
    L"<trace type=\"1\" dispValue=\"C:\\test\\eicar.com\"/></traces></threat>"
    L"</threats></ARDOThreatEngineResults>";

std::wstring WriteResults() {
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring path = std::wstring(temp) + L"snapshot_results.xml";
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    const unsigned char bom[2] = {0xFF, 0xFE};
    DWORD n = 0;
    ::WriteFile(h, bom, 2, &n, nullptr);
    std::wstring text(kResults);
    // Declared UTF-8 above; the file is UTF-16, so say so.
    text.replace(text.find(L"UTF-8"), 5, L"UTF-16");
    ::WriteFile(h, text.data(), static_cast<DWORD>(text.size() * 2), &n, nullptr);
    ::CloseHandle(h);
  }
  return path;
}

// The main window showing the results page of kResults.
CResultsPage* ShowResults(FrameHarness& harness, const std::wstring& file) {
  if (!harness.Start(800, 600, true)) return nullptr;
  harness.Engine().SetText(L"GetScanResultsFile", file);
  CMainFrame& frame = harness.Frame();
  CResultsPage* page = frame.ResultsPage();
  frame.SetTabPage(CMainFrame::kTabScan, page);
  frame.SelectTab(CMainFrame::kTabScan, false);
  frame.SetTabsEnabled(false);
  page->ImportScanResults();
  snapshot::PumpFor(100);
  return page;
}

}  // namespace

SNAPSHOT_SCENE(results_page_expanded) {
  const std::wstring file = WriteResults();
  FrameHarness harness;
  if (CResultsPage* page = ShowResults(harness, file)) {
    page->List().SetExpanded(0, true);
    page->List().SetFocusRow(0);
    snapshot::PumpFor(100);
    ctx.Capture(harness.Frame().m_hWnd, L"results_page_expanded");
  }
  ::DeleteFileW(file.c_str());
}

SNAPSHOT_SCENE(results_page_dropdown) {
  const std::wstring file = WriteResults();
  FrameHarness harness;
  if (CResultsPage* page = ShowResults(harness, file)) {
    page->List().SetExpanded(1, true);
    page->List().OpenDropdown(0, true);
    snapshot::PumpFor(150);
    ctx.Capture(harness.Frame().m_hWnd, L"results_page_dropdown");
    page->List().Dropdown().Close();
  }
  ::DeleteFileW(file.c_str());
}

SNAPSHOT_SCENE(threat_list_checkboxes) {
  CWnd host;
  if (!host.Create(nullptr, L"snapshot", WS_POPUP | WS_CLIPCHILDREN, RECT{0, 0, 760, 300}, nullptr,
                   0))
    return;
  CScanResultsList list;
  list.CreateThreatList(host.m_hWnd, RECT{10, 10, 750, 290});
  list.EnableCheckBoxes();
  const wchar_t* names[] = {L"Trojan.Agent", L"Adware.Toolbar", L"Spyware.Keylogger"};
  for (int i = 0; i < 3; ++i) {
    ThreatRecord r;
    r.name = names[i];
    r.category = i == 1 ? L"Adware" : L"Trojan";
    r.level = 1 + 2 * i;
    r.dateText = L"2009-05-0" + std::to_wstring(i + 1) + L" 10:00:00";
    r.quarantineId = std::to_wstring(i);
    r.checked = i != 1;
    threat::AppendScanTrace(r, L"C:\\quarantined\\file" + std::to_wstring(i) + L".exe");
    list.AppendRecord(std::move(r));
  }
  snapshot::PumpFor(50);
  ctx.Capture(host.m_hWnd, L"threat_list_checkboxes");
  list.ClearThreats();
  list.SetEmptyText(L"The quarantine is empty");
  snapshot::PumpFor(50);
  ctx.Capture(host.m_hWnd, L"threat_list_empty");
}
