// How long a click on the overview tab takes until the page is painted with
// every fact read again from the engine, against the reference engine, as a
// ratio to one fetch of the engine's name/value document. Goal: at most 3.
//   bench_overview_show [rounds]
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/MainFrame.h"
#include "engine/EngineDocuments.h"
#include "engine/EngineSession.h"
#include "engine/documents/NVPairs.h"
#include "pages/scan/OverviewPage.h"
#include "support/BenchClock.h"
#include "support/EnginePageFixture.h"

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// A press and release of the left button on a tab of the frame's strip.
void ClickTab(HWND frame, int tab) {
  const LPARAM at = MAKELPARAM(70, 135 + 50 * tab);
  SendMessageW(frame, WM_MOUSEMOVE, 0, at);
  SendMessageW(frame, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(frame, WM_LBUTTONUP, 0, at);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const int rounds = argc > 1 ? std::max(3, _wtoi(argv[1])) : 30;
  int rc = 1;
  {
    EnginePageFixture engine;
    if (!engine.Start()) {
      std::fprintf(stderr, "the reference engine or the main window did not start\n");
      return 1;
    }
    CMainFrame& frame = engine.Frame();
    COverviewPage* overview = frame.OverviewPage();
    PumpUntil([] { return false; }, 300);

    std::vector<double> fetch, show;
    for (int i = 0; i < rounds; ++i) {
      QVnsNVPairs::CNVPairs pairs;
      const double t0 = BenchNowMs();
      FetchDocument(pairs, EngineDocuments::kNVPairs);
      fetch.push_back(BenchNowMs() - t0);
    }
    for (int i = 0; i < rounds; ++i) {
      ClickTab(frame.m_hWnd, CMainFrame::kTabScan);
      PumpUntil([] { return false; }, 20);
      const double t0 = BenchNowMs();
      ClickTab(frame.m_hWnd, CMainFrame::kTabOverview);
      // Everything invalidated is painted now, the page and its buttons included.
      RedrawWindow(frame.m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
      GdiFlush();
      show.push_back(BenchNowMs() - t0);
      if (!overview->IsWindowVisible()) {
        std::fprintf(stderr, "the overview page was not shown\n");
        return 1;
      }
    }
    // Where the time goes: the reads, the page's own paint, the whole window's.
    std::vector<double> reads, pagePaint, framePaint;
    for (int i = 0; i < rounds; ++i) {
      double t0 = BenchNowMs();
      overview->RefreshAll();
      reads.push_back(BenchNowMs() - t0);
      t0 = BenchNowMs();
      RedrawWindow(overview->m_hWnd, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      GdiFlush();
      pagePaint.push_back(BenchNowMs() - t0);
      t0 = BenchNowMs();
      RedrawWindow(frame.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      GdiFlush();
      framePaint.push_back(BenchNowMs() - t0);
    }
    {
      // Each part alone, then one engine round trip: a part that changes what the
      // page shows has it painted inside the next part's engine call (the
      // component runtime lets paint messages through while a call waits).
      std::vector<double> parts[5];
      for (int i = 0; i < rounds; ++i) {
        double t[6];
        t[0] = BenchNowMs();
        overview->RefreshDefinitionsDate();
        t[1] = BenchNowMs();
        overview->RefreshLastScan();
        t[2] = BenchNowMs();
        overview->RefreshCleanCount();
        t[3] = BenchNowMs();
        overview->RefreshScanSummary();
        t[4] = BenchNowMs();
        Engine().IsAlive();
        t[5] = BenchNowMs();
        for (int k = 0; k < 5; ++k) parts[k].push_back(t[k + 1] - t[k]);
      }
      std::printf(
          "medians: definitions %.2f, last scan %.2f, clean count %.2f, summary %.2f, one ping "
          "%.2f ms\n",
          Median(parts[0]), Median(parts[1]), Median(parts[2]), Median(parts[3]), Median(parts[4]));
    }
    std::printf("of which: reads %.2f ms, overview paint %.2f ms, whole window paint %.2f ms\n",
                Median(reads), Median(pagePaint), Median(framePaint));
    const double f = Median(fetch), s = Median(show);
    std::printf("one name/value document fetch: %.2f ms (median of %d)\n", f, rounds);
    std::printf("tab click to painted overview: %.2f ms (median of %d)\n", s, rounds);
    std::printf("ratio: %.2f (goal: at most 3)\n", f > 0 ? s / f : 0.0);
    rc = 0;
  }
  CoUninitialize();
  return rc;
}
