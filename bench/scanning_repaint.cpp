// Full repaint of the busiest page: the scanning page in the main window, mid
// scan, with its red banner, the threat list holding threats, the progress glow
// and the animation running. Compared with one BitBlt of the page's area to the
// window. The goal is half a 60 Hz frame (8 ms). Prints figures; not a test.
//
//   bench_scanning_repaint.exe [threats]   (default 40)
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "app/MainFrame.h"
#include "engine/EventSinks.h"
#include "framework/Gdi.h"
#include "pages/scan/ScanningPage.h"
#include "support/BenchClock.h"
#include "support/Capture.h"
#include "support/FakeEngine.h"
#include "support/FrameHarness.h"

int wmain(int argc, wchar_t** argv) {
  const int threats = argc > 1 ? std::max(1, _wtoi(argv[1])) : 40;
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int rc = 0;
  {
    FrameHarness harness;
    if (!harness.Start(800, 600)) {
      std::printf("the main window did not start\n");
      return 1;
    }
    CMainFrame& frame = harness.Frame();
    frame.BeginScan(kScanCustom);
    PumpFor(50);
    CScanningPage* page = frame.ScanningPage();
    if (!page || !page->m_hWnd || !page->IsWindowVisible()) {
      std::printf("the scanning page is not shown\n");
      return 1;
    }
    FakeEngine& engine = harness.Engine();
    for (int i = 0; i < threats; ++i) {
      FakeEngine::ThreatInfo info;
      info.texts[0] = L"Quarantine the file.";
      info.texts[1] = L"A program that hides its purpose.";
      info.flags[2] = static_cast<unsigned char>(1 + i % 5);
      info.value = 3;
      engine.values().threats[100 + i % 8] = info;
      FakeEngine::ScanProgressArgs a;
      a.threatName = L"Threat." + std::to_wstring(i % 8);
      a.objectName = L"C:\\Users\\someone\\Downloads\\folder " + std::to_wstring(i) + L"\\file.exe";
      a.threatCategory = L"Trojan";
      a.threatId = 100 + i % 8;
      a.threatCount = i + 1;
      a.objectsScanned = 1000 + i;
      engine.FireScanProgress(a);
    }
    PumpFor(200);  // the animation and the glow run

    // The page's handling of one scan event, which the engine waits for: a
    // progress event, and a further trace of a listed threat.
    double progressMs = 0, traceMs = 0;
    {
      const int M = 200;
      double t = BenchNowMs();
      for (int i = 0; i < M; ++i) {
        FakeEngine::ScanProgressArgs a;
        a.objectName = L"C:\\Users\\someone\\Documents\\file" + std::to_wstring(i) + L".txt";
        a.objectsScanned = 5000 + i;
        engine.FireScanProgress(a);
      }
      progressMs = (BenchNowMs() - t) / M;
      t = BenchNowMs();
      for (int i = 0; i < M; ++i) {
        FakeEngine::ScanProgressArgs a;
        a.threatName = L"Threat.1";
        a.threatCategory = L"Trojan";
        a.threatId = 101;
        a.objectName = L"C:\\Users\\someone\\Downloads\\copy" + std::to_wstring(i) + L".exe";
        a.threatCount = threats + 1 + i;
        a.objectsScanned = 6000 + i;
        engine.FireScanProgress(a);
      }
      traceMs = (BenchNowMs() - t) / M;
      PumpFor(200);
    }

    const RECT r = page->GetClientRect();
    const int W = r.right, H = r.bottom, N = 60;
    auto repaint = [&] {
      ::RedrawWindow(page->m_hWnd, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      ::GdiFlush();
    };
    repaint();  // warm-up: pictures decoded, fonts made
    double t0 = BenchNowMs();
    for (int i = 0; i < N; ++i) repaint();
    const double repaintMs = (BenchNowMs() - t0) / N;

    // The same with the animation and glow timers firing in between, as on screen.
    t0 = BenchNowMs();
    for (int i = 0; i < N; ++i) {
      page->Animation().Step();
      page->Progress().StepGlow(::GetTickCount());
      repaint();
    }
    const double animatedMs = (BenchNowMs() - t0) / N;

    // As on screen: the page and its children invalidated, then painted by the
    // message loop, which goes idle once they are done.
    auto loopRepaint = [&] {
      ::RedrawWindow(page->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
      MSG msg;
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
      ::GdiFlush();
    };
    loopRepaint();
    t0 = BenchNowMs();
    for (int i = 0; i < N; ++i) loopRepaint();
    const double loopMs = (BenchNowMs() - t0) / N;

    // Where the time goes: the page alone, then each child window alone.
    {
      const double a = BenchNowMs();
      for (int i = 0; i < N; ++i) {
        ::RedrawWindow(page->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        ::GdiFlush();
      }
      std::printf("  page without its children: %.2f ms\n", (BenchNowMs() - a) / N);
    }
    for (HWND child = ::GetWindow(page->m_hWnd, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
      if (!::IsWindowVisible(child)) continue;
      wchar_t cls[64] = L"";
      ::GetClassNameW(child, cls, 64);
      const double a = BenchNowMs();
      for (int i = 0; i < N; ++i) {
        ::RedrawWindow(child, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        ::GdiFlush();
      }
      std::printf("  child %d (%ls): %.2f ms\n", ::GetDlgCtrlID(child), cls,
                  (BenchNowMs() - a) / N);
      for (HWND inner = ::GetWindow(child, GW_CHILD); inner;
           inner = ::GetWindow(inner, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(inner)) continue;
        ::GetClassNameW(inner, cls, 64);
        const double b = BenchNowMs();
        for (int i = 0; i < N; ++i) {
          ::RedrawWindow(inner, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
          ::GdiFlush();
        }
        std::printf("    inner %d (%ls) with its frame: %.2f ms\n", ::GetDlgCtrlID(inner), cls,
                    (BenchNowMs() - b) / N);
      }
      if (::GetWindow(child, GW_CHILD)) {
        const double b = BenchNowMs();
        for (int i = 0; i < N; ++i) {
          ::RedrawWindow(child, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
          ::GdiFlush();
        }
        std::printf("    without its children: %.2f ms\n", (BenchNowMs() - b) / N);
      }
    }

    {
      // The floor: a plain system static of the same size, no theme.
      HWND plain = ::CreateWindowExW(0, L"STATIC", L"plain", WS_CHILD | WS_VISIBLE, 0, 0, 200, 18,
                                     page->m_hWnd, nullptr, nullptr, nullptr);
      HWND empty = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 0, 20,
                                     200, 18, page->m_hWnd, nullptr, nullptr, nullptr);
      for (HWND w : {plain, empty}) {
        const double a = BenchNowMs();
        for (int i = 0; i < N; ++i) {
          ::RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
          ::GdiFlush();
        }
        std::printf("  floor %s: %.2f ms\n", w == plain ? "plain static" : "owner-drawn static",
                    (BenchNowMs() - a) / N);
        ::DestroyWindow(w);
      }
    }
    testsupport::Pixels mem(W, H);
    ::SendMessageW(page->m_hWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem.dc()), PRF_CLIENT);
    WindowDC dc(page->m_hWnd);
    t0 = BenchNowMs();
    for (int i = 0; i < N; ++i) {
      ::BitBlt(dc.get(), 0, 0, W, H, mem.dc(), 0, 0, SRCCOPY);
      ::GetPixel(dc.get(), W - 1, H - 1);
    }
    const double blitMs = (BenchNowMs() - t0) / N;

    std::printf("scanning page %dx%d with %d threat records (%d threat events), %d repaints\n", W,
                H, page->ThreatList().RecordCount(), threats, N);
    std::printf("handling of a scan event by the page: progress %.3f ms, a further trace %.3f ms\n",
                progressMs, traceMs);
    std::printf("full repaint (page, banner, list, labels, bar, animation): %.2f ms\n", repaintMs);
    std::printf("full repaint with an animation and glow step before each: %.2f ms\n", animatedMs);
    std::printf("full repaint through the message loop: %.2f ms\n", loopMs);
    std::printf("one BitBlt of the page's area to the window: %.3f ms\n", blitMs);
    std::printf("ratio repaint / window BitBlt: %.1f\n", blitMs > 0 ? repaintMs / blitMs : 0.0);
    std::printf("within half a 60 Hz frame (8 ms): %s\n",
                std::max(repaintMs, animatedMs) <= 8.0 ? "yes" : "no");
  }
  ::CoUninitialize();
  return rc;
}
