// Times the parts of a main-window repaint (developer aid).
#include <windows.h>
#include <objbase.h>

#include <cstdio>

#include "app/MainFrame.h"
#include "controls/BaseDlg.h"
#include "support/BenchClock.h"
#include "support/FrameHarness.h"
#include "framework/Handles.h"

int wmain() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    FrameHarness h;
    if (!h.Start()) return 1;
    PumpFor(200);
    CMainFrame& f = h.Frame();
    const RECT c = f.GetClientRect();
    WindowDC wdc(f.m_hWnd);
    UniqueMemoryDC mem(CreateCompatibleDC(wdc.get()));
    UniqueBitmap bmp(CreateCompatibleBitmap(wdc.get(), c.right, c.bottom));
    ScopedSelect sel(mem.get(), bmp.get());
    for (int i = 0; i < 3; ++i) {
      double t = BenchNowMs();
      f.PaintTo(mem.get());
      double frameMs = BenchNowMs() - t;
      auto* page = dynamic_cast<CBaseDlg*>(f.GetVisiblePage());
      t = BenchNowMs();
      if (page) page->PaintTo(mem.get());
      double pageMs = BenchNowMs() - t;
      t = BenchNowMs();
      f.RepaintNow();
      double allMs = BenchNowMs() - t;
      std::printf("frame %.1f ms, page %.1f ms, RepaintNow %.1f ms\n", frameMs, pageMs, allMs);
    }
  }
  CoUninitialize();
  return 0;
}
