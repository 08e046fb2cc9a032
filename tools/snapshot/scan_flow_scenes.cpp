// Scenes of the scan flow in the main window: the scanning page mid scan with
// threats, the cleaning page part way, and the finished page in each state.
#include <windows.h>

#include <string>

#include "app/MainFrame.h"
#include "engine/documents/ScanResults.h"
#include "framework/WinAppEx.h"
#include "pages/scan/CleaningPage.h"
#include "pages/scan/FinishedPage.h"
#include "pages/scan/ScanningPage.h"
#include "snapshot/Snapshot.h"
#include "support/FakeEngine.h"
#include "support/FrameHarness.h"

namespace {

struct Found {
  const wchar_t* name;
  const wchar_t* object;
  int level;
};

const Found kFound[] = {
    {L"Trojan.Agent", L"C:\\Users\\someone\\Downloads\\setup_free.exe", 2},
    {L"Trojan.Agent", L"C:\\Users\\someone\\AppData\\Roaming\\upd\\svc.exe", 2},
    {L"Adware.Popper", L"C:\\Program Files\\Popper\\popper.dll", 4},
    {L"Tracking.Cookie", L"C:\\Users\\someone\\Cookies\\ads.txt", 5},
};

// The main window of a scene; message boxes are answered No at once.
bool StartFrame(FrameHarness& harness) {
  if (!harness.Start(800, 600)) return false;
  if (CWinAppEx* app = AfxGetApp())
    app->Seams().messageBox = [](HWND, const std::wstring&, const std::wstring&, UINT) {
      return IDNO;
    };
  return true;
}

void FeedScan(FakeEngine& engine, int objects) {
  LONG id = 500;
  for (const Found& f : kFound) {
    FakeEngine::ThreatInfo info;
    info.texts[0] = L"Move the file to the quarantine.";
    info.texts[1] = L"A program that hides what it does.";
    info.flags[2] = static_cast<unsigned char>(f.level);
    info.value = 3;
    engine.values().threats[id] = info;
    FakeEngine::ScanProgressArgs a;
    a.threatName = f.name;
    a.objectName = f.object;
    a.threatCategory = L"Trojan";
    a.threatId = id++;
    a.threatCount = static_cast<LONG>(id - 500);
    a.objectsScanned = objects;
    engine.FireScanProgress(a);
  }
  FakeEngine::ScanProgressArgs a;
  a.objectName = L"C:\\Windows\\System32\\drivers\\etc\\hosts";
  a.objectsScanned = objects + 17;
  engine.FireScanProgress(a);
}

// A clean request with the threats above, one of them already handled.
std::wstring WriteRequest(bool allHandled) {
  QVnsScanResults::CARDOThreatEngineResults doc;
  auto& n = doc.summary.Create().cleanerResults.Create().numThreats.Create();
  n.total.Set(3);
  n.quarantined.Set(allHandled ? 3 : 0);
  auto& threats = doc.threats.Create();
  uint32_t id = 1;
  const Found* previous = nullptr;
  for (const Found& f : kFound) {
    if (previous && std::wstring(previous->name) == f.name) {
      threats.threat[threats.threat.Count() - 1].traces->trace.Append().dispValue.Set(f.object);
      continue;
    }
    previous = &f;
    auto& t = threats.threat.Append();
    t.id.Set(id++);
    t.name.Set(f.name);
    t.category.Set(L"Trojan");
    t.level.Set(static_cast<uint32_t>(f.level));
    t.adviseType.Set(3);
    t.actionRequested.Set(3);
    t.canQuarantine.Set(true);
    t.cleanerResult.Set(allHandled ? 3 : 0);
    t.traces.Create().trace.Append().dispValue.Set(f.object);
  }
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  const std::wstring path = std::wstring(tmp) + (allHandled ? L"snap_done.xml" : L"snap_req.xml");
  std::string utf8;
  doc.WriteToText(utf8);
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD w = 0;
  WriteFile(h, utf8.data(), static_cast<DWORD>(utf8.size()), &w, nullptr);
  CloseHandle(h);
  return path;
}

}  // namespace

SNAPSHOT_SCENE(scanning_midscan_threats) {
  FrameHarness harness;
  if (!StartFrame(harness)) return;
  harness.Frame().BeginScan(kScanCustom);
  snapshot::PumpFor(50);
  FeedScan(harness.Engine(), 12480);
  snapshot::PumpFor(300);
  ctx.Capture(harness.Frame().m_hWnd, L"scanning_midscan_threats");
}

SNAPSHOT_SCENE(scanning_update) {
  FrameHarness harness;
  if (!StartFrame(harness)) return;
  harness.Engine().values().definitionsCurrent = 0;
  harness.Frame().BeginScan(kScanQuick);
  snapshot::PumpFor(50);
  harness.Engine().FireDefinitionsUpdateStatus(5, 800, 300);
  snapshot::PumpFor(300);
  ctx.Capture(harness.Frame().m_hWnd, L"scanning_update");
}

SNAPSHOT_SCENE(cleaning) {
  FrameHarness harness;
  if (!StartFrame(harness)) return;
  CMainFrame& frame = harness.Frame();
  harness.Engine().values().scanState = 110;
  CCleaningPage* page = frame.CleaningPage();
  const std::wstring request = WriteRequest(false);
  page->PrepareCleaning(request);
  frame.SetTabPage(CMainFrame::kTabScan, page);
  frame.SelectTab(CMainFrame::kTabScan, false);
  frame.SetTabsEnabled(false);
  harness.Engine().FireCleanProgress(1, L"Trojan.Agent", 1, kFound[0].object, 40);
  harness.Engine().FireCleanProgress(1, L"Trojan.Agent", 1, kFound[1].object, 60);
  snapshot::PumpFor(300);
  ctx.Capture(frame.m_hWnd, L"cleaning");
  DeleteFileW(request.c_str());
}

SNAPSHOT_SCENE(finished_states) {
  for (int state : {0, 1, 2}) {
    FrameHarness harness;
    if (!StartFrame(harness)) return;
    CMainFrame& frame = harness.Frame();
    CFinishedPage* finished = frame.FinishedPage();
    std::wstring results;
    if (state == 0) {
      CScanningPage* scanning = frame.ScanningPage();
      finished->AdoptThreatList(&scanning->ThreatList());
    } else {
      // The list as the cleaning left it, the engine's file with its counts.
      results = WriteRequest(true);
      harness.Engine().SetText(L"GetScanResultsFile", results);
      harness.Engine().values().scanState = 111;
      CCleaningPage* cleaning = frame.CleaningPage();
      cleaning->PrepareCleaning(results);
      finished->AdoptThreatList(&cleaning->ThreatList());
    }
    finished->ShowFinishedState(state);
    frame.SetTabPage(CMainFrame::kTabScan, finished);
    frame.SelectTab(CMainFrame::kTabScan, false);
    snapshot::PumpFor(300);
    ctx.Capture(frame.m_hWnd, L"finished_state" + std::to_wstring(state));
    if (!results.empty()) DeleteFileW(results.c_str());
  }
}
