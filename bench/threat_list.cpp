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
  double paintMs;     // median
  double paintMinMs;  // fastest: the least disturbed by other work on the machine
  double addNewUs;    // fastest batch, per record
  double addTraceUs;
};

Figures Measure(int records) {
  CWnd host;
  host.Create(nullptr, L"bench", WS_POPUP | WS_CLIPCHILDREN, RECT{0, 0, 900, 560}, nullptr, 0);
  auto list = std::make_unique<CScanResultsList>();
  list->CreateThreatList(host.m_hWnd, RECT{10, 10, 890, 550});
  list->SetLinkMode(true);
  for (int i = 0; i < records; ++i) list->AddScanThreat(Threat(i, i));
  list->SetExpanded(1, true);  // one open record among the visible ones
  ::SetWindowPos(host.m_hWnd, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  fw::PumpPending();

  auto repaint = [&] {
    ::RedrawWindow(list->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ::GdiFlush();
  };
  repaint();
  const int N = 60;
  std::vector<double> paint;
  for (int i = 0; i < N; ++i) {
    const double t0 = Now();
    repaint();
    paint.push_back(Now() - t0);
  }
  std::sort(paint.begin(), paint.end());
  // Adding during a scan: each addition is followed by the repaint the
  // message loop would do, as on the scanning page.
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
  list.reset();
  host.DestroyWindow();
  return {paint[N / 2], paint[0], addNew, addTrace};
}

}  // namespace

int wmain() {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (!LoadShippedTheme()) {
    std::printf("the shipped theme did not load\n");
    return 1;
  }
  Measure(50);  // warm-up: pictures decoded, fonts made
  const Figures small = Measure(50);
  const Figures large = Measure(10000);
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
