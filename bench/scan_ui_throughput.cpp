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
#include "engine/documents/ScanConfig.h"
#include "pages/scan/ScanPage.h"
#include "pages/scan/ScanningPage.h"
#include "support/BenchClock.h"
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

// The custom scan's root and a short progress interval (the window sees many events).
bool ConfigureScan(EnginePageFixture& f, const std::wstring& root) {
  QVnsScanConfig::CScanConfig cfg;
  if (cfg.ReadFromString(f.ScanConfigText()) != 0) return false;
  cfg.ScanDetailCBIntervalMS.Set(20);
  return SUCCEEDED(StoreDocument(cfg, EngineDocuments::kScanConfig));
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
    double bestBare = 1e9, bestUi = 1e9, uiCpu = 0, uiWall = 0;
    int records = 0;
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
      }
      PumpUntil([] { return false; }, 200);
    }
    std::printf("scan with no client: %.3f s\n", bestBare);
    std::printf("scan followed by the window: %.3f s (%d threat records listed)\n", bestUi,
                records);
    std::printf("throughput ratio with the window / without: %.2f (goal >= 0.9)\n",
                bestBare / bestUi);
    std::printf(
        "window CPU time during its scan: %.3f s = %.1f %% of the wall time (goal <= 10 %%)\n",
        uiCpu, uiWall > 0 ? 100.0 * uiCpu / uiWall : 0.0);
  }
  ::CoUninitialize();
  return 0;
}
