// The threat list with 10,000 records against 50: a full repaint of the list
// (header and visible rows) and the cost of adding a record during a scan (a
// new threat, and one more trace of a known threat). Only visible rows are
// drawn and names are found through an index, so both ratios should stay near
// 1 (paint goal: at most 1.2). Prints figures; not a test.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/Wnd.h"
#include "pages/scan/ScanResultsList.h"
#include "support/BenchClock.h"
#include "support/shipped_theme.h"

namespace {

double Now() { return BenchNowMs(); }

threat::ScanThreat Threat(int i, int trace) {
  threat::ScanThreat t;
  t.name = L"Threat." + std::to_wstring(i);
  t.category = (i % 3) ? L"Trojan" : L"Adware";
  t.traceText = L"C:\\Users\\someone\\AppData\\Local\\file" + std::to_wstring(trace) + L".exe";
  t.adviceText = L"Remove it";
  t.descriptionText = L"A threat used for measuring";
  t.adviseType = 1 + i % 4;
  t.level = 1 + i % 5;
  return t;
}

struct Figures {
  double paintMs = 0;     // median
  double paintMinMs = 0;  // fastest: the least disturbed by other work on the machine
  double addNewUs = 0;    // fastest batch, per record
  double addTraceUs = 0;
};

// One list in a window of its own, filled with `records` threats.
struct ListUnderTest {
  CWnd host;
  std::unique_ptr<CScanResultsList> list = std::make_unique<CScanResultsList>();
  int records;
  std::vector<double> paint;

  explicit ListUnderTest(int n, int x) : records(n) {
    host.Create(nullptr, L"bench", WS_POPUP | WS_CLIPCHILDREN, RECT{x, 0, x + 900, 560}, nullptr,
                0);
    list->CreateThreatList(host.m_hWnd, RECT{10, 10, 890, 550});
    list->SetLinkMode(true);
    for (int i = 0; i < records; ++i) list->AddScanThreat(Threat(i, i));
    list->SetExpanded(1, true);  // one open record among the visible ones
    ::SetWindowPos(host.m_hWnd, HWND_TOPMOST, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    fw::PumpPending();
  }
  ~ListUnderTest() {
    list.reset();
    host.DestroyWindow();
  }

  void Repaint() {
    const double t0 = Now();
    ::RedrawWindow(list->m_hWnd, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ::GdiFlush();
    paint.push_back(Now() - t0);
  }

  // Adding during a scan: each addition is followed by the repaint the
  // message loop would do, as on the scanning page.
  void MeasureAdding(Figures& f) {
    const int M = 50, batches = 4;
    double addNew = 1e30, addTrace = 1e30;
    int next = records;
    for (int b = 0; b < batches; ++b) {
      double t0 = Now();
      for (int i = 0; i < M; ++i) {
        list->AddScanThreat(Threat(next++, i));
        ::UpdateWindow(list->Rows().m_hWnd);
      }
      addNew = std::min(addNew, (Now() - t0) * 1000.0 / M);
      t0 = Now();
      for (int i = 0; i < M; ++i) {
        list->AddScanThreat(Threat(i % records, records + i));  // a known threat's new trace
        ::UpdateWindow(list->Rows().m_hWnd);
      }
      addTrace = std::min(addTrace, (Now() - t0) * 1000.0 / M);
    }
    f.addNewUs = addNew;
    f.addTraceUs = addTrace;
  }
};

// The two lists are repainted in turns, so that whatever else the machine does
// weighs on both alike.
std::pair<Figures, Figures> Measure(int smallCount, int largeCount) {
  ListUnderTest small(smallCount, 0), large(largeCount, 0);
  small.Repaint();  // warm-up: pictures decoded, fonts made
  large.Repaint();
  small.paint.clear();
  large.paint.clear();
  const int N = 100;
  for (int i = 0; i < N; ++i) {
    small.Repaint();
    large.Repaint();
  }
  std::pair<Figures, Figures> out;
  for (auto [under, f] : {std::pair{&small, &out.first}, std::pair{&large, &out.second}}) {
    std::sort(under->paint.begin(), under->paint.end());
    f->paintMs = under->paint[N / 2];
    f->paintMinMs = under->paint[0];
    under->MeasureAdding(*f);
  }
  return out;
}

}  // namespace

int wmain() {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (!LoadShippedTheme()) {
    std::printf("the shipped theme did not load\n");
    return 1;
  }
  const auto [small, large] = Measure(50, 10000);
  std::printf("threat list repaint, 50 records:     median %.3f ms, fastest %.3f ms\n",
              small.paintMs, small.paintMinMs);
  std::printf("threat list repaint, 10,000 records: median %.3f ms, fastest %.3f ms\n",
              large.paintMs, large.paintMinMs);
  std::printf("  ratio 10,000 / 50: %.2fx median, %.2fx fastest (goal <= 1.2x)\n",
              large.paintMs / small.paintMs, large.paintMinMs / small.paintMinMs);
  std::printf("add a new threat (fastest batch), 50 records:     %.1f us\n", small.addNewUs);
  std::printf("add a new threat (fastest batch), 10,000 records: %.1f us  (ratio %.2fx)\n",
              large.addNewUs, large.addNewUs / small.addNewUs);
  std::printf("add a trace to a known threat, 50 records:     %.1f us\n", small.addTraceUs);
  std::printf("add a trace to a known threat, 10,000 records: %.1f us  (ratio %.2fx)\n",
              large.addTraceUs, large.addTraceUs / small.addTraceUs);
  ::CoUninitialize();
  return 0;
}
