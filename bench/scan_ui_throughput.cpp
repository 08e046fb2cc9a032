// Scan throughput of the reference engine with the window attached and showing
// the scan (the scanning page following every progress event, threats listed
// live), as a ratio to the same scan with no client listening; and the window's
// CPU time during its scan as a share of the scan's wall time. Goals: a ratio of
// at least 0.9 and at most 10 % CPU. Prints figures; not a test.
//
//   bench_scan_ui_throughput.exe [files]   (default 6000 files of 8 KB, one in
//   a hundred the standard antivirus test file; the tree is kept in %TEMP%)
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/MainFrame.h"
#include "engine/EngineDocuments.h"
#include "engine/EngineSession.h"
#include "engine/ScanResultsFile.h"
#include "engine/documents/ScanConfig.h"
#include "engine/documents/ThreatDefinitionsConfig.h"
#include "pages/scan/ScanPage.h"
#include "pages/scan/ScanPageModel.h"
#include "pages/scan/ScanningPage.h"
#include "framework/Messages.h"
#include "pages/scan/ScanFlowRules.h"
#include "support/BenchClock.h"
#include "framework/Messages.h"
#include "themedata/resource.h"
#include "support/EnginePageFixture.h"

namespace {

double ProcessCpuS() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto s = [](const FILETIME& t) {
    return double((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return s(kernel) + s(user);
}

bool MakeTree(const std::wstring& root, int files) {
  const std::wstring marker = root + L"\\complete" + std::to_wstring(files);
  if (GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  CreateDirectoryW(root.c_str(), nullptr);
  std::string clean(8192, 'x');
  for (int i = 0; i < files; ++i) {
    const std::wstring dir = root + L"\\d" + std::to_wstring(i / 200);
    CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring path = dir + L"\\f" + std::to_wstring(i) + L".bin";
    if (i % 100 == 50) {
      if (!EnginePageFixture::PlantTestFile(path)) return false;
      continue;
    }
    clean[i % clean.size()] = char('a' + i % 26);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD w;
    WriteFile(h, clean.data(), DWORD(clean.size()), &w, nullptr);
    CloseHandle(h);
  }
  HANDLE h = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(h);
  return true;
}

LONG ScanState() {
  auto control = Engine().ScanControl();
  LONG state = -1;
  unsigned char reboot = 0;
  if (!control || FAILED(control->GetScanState(&state, &reboot))) return -1;
  return state;
}

bool ScanOver(LONG state) { return state == 107 || state == 109 || state == 113 || state == 116; }

// The configuration every scan start writes, with the tree as the custom
// scan's one folder, so the rounds without a client scan what the window's
// rounds scan.
bool ConfigureScan(EnginePageFixture& f, const std::wstring& root) {
  QVnsScanConfig::CScanConfig cfg;
  if (cfg.ReadFromString(f.ScanConfigText()) != 0) return false;
  const CustomPathList folders{root};
  ApplyScanStartConfig(cfg, &folders);
  return SUCCEEDED(StoreDocument(cfg, EngineDocuments::kScanConfig));
}

// Definitions updated a moment ago, so that no scan start updates them first:
// the window's rounds then scan exactly what the rounds without a client scan.
bool MarkDefinitionsCurrent() {
  QVnsThreatDefinitionsConfig::CDefinitionUpdateConfig cfg;
  if (FAILED(FetchDocument(cfg, EngineDocuments::kDefinitionUpdateConfig))) return false;
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t text[32];
  swprintf(text, 32, L"%04u-%02u-%02uT%02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
           now.wMinute, now.wSecond);
  cfg.LastUpdateDateTime.Set(text);
  if (FAILED(StoreDocument(cfg, EngineDocuments::kDefinitionUpdateConfig))) return false;
  auto definitions = Engine().ThreatDefinitions();
  LONG current = 0;
  EngineString date;
  return definitions && SUCCEEDED(definitions->GetDefinitionsStatus(&current, date.Out())) &&
         current != 0;
}

// What the last scan covered, from the engine's results file.
struct Covered {
  uint32_t files = 0, threats = 0;
};

Covered LastScanCovered() {
  QVnsScanResults::CARDOThreatEngineResults results;
  Covered c;
  if (FAILED(FetchScanResults(results))) return c;
  const auto* summary = results.summary.Get();
  const auto* scanner = summary ? summary->scannerResults.Get() : nullptr;
  if (!scanner) return c;
  if (const auto* traces = scanner->numTracesScanned.Get()) c.files = traces->files.Get();
  if (const auto* threats = scanner->numThreats.Get()) c.threats = threats->found.Get();
  return c;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int files = argc > 1 ? std::max(100, _wtoi(argv[1])) : 6000;
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  const std::wstring root = std::wstring(tmp) + L"rr_scan_ui_bench";
  double t = BenchNowSeconds();
  if (!MakeTree(root, files)) {
    std::printf("cannot make the tree\n");
    return 1;
  }
  std::printf("tree: %d files (ready in %.1f s)\n", files, BenchNowSeconds() - t);
  {
    EnginePageFixture f;
    if (!f.Start()) {
      std::printf("the engine and the window did not start\n");
      return 1;
    }
    CMainFrame& frame = f.Frame();
    f.AnswerNextFolderBrowser(root);
    frame.ScanPage()->OnAddFolder();
    if (!ConfigureScan(f, root)) {
      std::printf("cannot configure the scan\n");
      return 1;
    }
    if (!MarkDefinitionsCurrent()) {
      std::printf("cannot mark the definitions up to date\n");
      return 1;
    }
    if (_wgetenv(L"IDLE")) {
      frame.SetTabPage(CMainFrame::kTabScan, frame.ScanningPage());
      frame.SelectTab(CMainFrame::kTabScan, false);
      ::SendMessageW(frame.ScanningPage()->m_hWnd, msg::kScanningMode, 5, 0);
      PumpUntil([] { return false; }, 300);
      const double c0 = ProcessCpuS(), w0 = BenchNowSeconds();
      PumpUntil([] { return false; }, 3000);
      std::printf("scanning page idle, glow and animation: %.1f %% CPU\n",
                  100 * (ProcessCpuS() - c0) / (BenchNowSeconds() - w0));
      frame.ScanningPage()->Animation().KillTimer(IDT_ANIMATION);
      const double c1 = ProcessCpuS(), w1 = BenchNowSeconds();
      PumpUntil([] { return false; }, 3000);
      std::printf("glow only: %.1f %% CPU\n",
                  100 * (ProcessCpuS() - c1) / (BenchNowSeconds() - w1));
      frame.ScanningPage()->Progress().SetGlowMode(false);
      const double c2 = ProcessCpuS(), w2 = BenchNowSeconds();
      PumpUntil([] { return false; }, 3000);
      std::printf("neither: %.1f %% CPU\n", 100 * (ProcessCpuS() - c2) / (BenchNowSeconds() - w2));
      return 0;
    }
    // The page's own timers with no scan: the progress glow (20 ms) and the
    // animation (50 ms), which run all through a scan.
    double timersCpu = 0;
    {
      CScanningPage* page = frame.ScanningPage();
      frame.SetTabPage(CMainFrame::kTabScan, page);
      frame.SelectTab(CMainFrame::kTabScan, false);
      ::SendMessageW(page->m_hWnd, msg::kScanningMode, scan_flow::kModeScanning, 0);
      PumpUntil([] { return false; }, 300);
      const double cpu0 = ProcessCpuS(), wall0 = BenchNowSeconds();
      PumpUntil([] { return false; }, 3000);
      timersCpu = 100.0 * (ProcessCpuS() - cpu0) / (BenchNowSeconds() - wall0);
    }
    double bestBare = 1e9, bestUi = 1e9, uiCpu = 0, uiWall = 0;
    int records = 0;
    Covered bare, ui;
    for (int round = 0; round < 3; ++round) {
      // No client listening: started and polled through the session.
      {
        auto control = Engine().ScanControl();
        if (!control || FAILED(control->ResetScan())) return 1;
        t = BenchNowSeconds();
        if (FAILED(control->StartScan(kScanCustom))) return 1;
        LONG state = 1;
        while (!ScanOver(state)) {
          Sleep(5);
          state = ScanState();
          if (state < 0) return 1;
        }
        bestBare = std::min(bestBare, BenchNowSeconds() - t);
        bare = LastScanCovered();
      }
      // The window follows the scan.
      frame.SetTabsEnabled(true);
      const double cpu0 = ProcessCpuS();
      t = BenchNowSeconds();
      frame.BeginScan(kScanCustom);
      CScanningPage* page = frame.ScanningPage();
      PumpUntil([&] { return !page->FollowingScan(); }, 600000);
      const double wall = BenchNowSeconds() - t;
      if (wall < bestUi) {
        bestUi = wall;
        uiCpu = ProcessCpuS() - cpu0;
        uiWall = wall;
        records = page->ThreatList().RecordCount();
        ui = LastScanCovered();
      }
      PumpUntil([] { return false; }, 200);
    }
    std::printf("scan with no client: %.3f s (%u files scanned, %u threats found)\n", bestBare,
                bare.files, bare.threats);
    std::printf(
        "scan followed by the window: %.3f s (%u files scanned, %u threats found, %d threat "
        "records listed)\n",
        bestUi, ui.files, ui.threats, records);
    if (bare.files == 0 || bare.files != ui.files || bare.threats != ui.threats)
      std::printf("the two scans did not cover the same tree: the ratio below means nothing\n");
    std::printf("throughput ratio with the window / without: %.2f (goal >= 0.9)\n",
                bestBare / bestUi);
    std::printf(
        "window CPU time during its scan: %.3f s = %.1f %% of the wall time (goal <= 10 %%)\n",
        uiCpu, uiWall > 0 ? 100.0 * uiCpu / uiWall : 0.0);
    std::printf("  of which the page's glow and animation timers alone, with no scan: %.1f %%\n",
                timersCpu);
  }
  ::CoUninitialize();
  return 0;
}
