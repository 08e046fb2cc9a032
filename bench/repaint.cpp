// Full-window repaint of a representative themed page (the scanning page with
// its header, labels, capsule progress bar and animation, over the tiled page
// background), compared with one BitBlt of the same area. The goal is a repaint
// within one 60 Hz frame (16.7 ms). Prints figures; not a test.
#include <windows.h>
#include <objbase.h>

#include <cstdio>

#include "controls/AnimationCtrl.h"
#include "controls/BaseDlg.h"
#include "controls/RoundProgressCtrl.h"
#include "controls/ThemeLabel.h"
#include "framework/Gdi.h"
#include "support/Capture.h"
#include "support/BenchClock.h"
#include "support/shipped_theme.h"
#include "themedata/resource.h"

namespace {

class ScanningPage : public CBaseDlg {
 public:
  ScanningPage() : CBaseDlg(311) {}
  CThemeLabel labels[7];
  CRoundProgressCtrl progress{L"Images/scan/progressbar_middle.png",
                              L"Images/scan/progress_glow.png"};
  CAnimationCtrl anim;

 protected:
  BOOL OnInitDialog() override {
    const int ids[7] = {1006, 1007, 1008, 1009, 1010, 1011, 1021};
    for (int i = 0; i < 7; ++i) labels[i].SubclassDlgItem(ids[i], m_hWnd);
    progress.SubclassDlgItem(1001, m_hWnd);
    anim.Create(m_hWnd, 101);
    return FALSE;
  }
};

double Now() { return BenchNowMs(); }

}  // namespace

int wmain() {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (!LoadShippedTheme()) {
    std::printf("the shipped theme did not load\n");
    return 1;
  }
  const int W = 780, H = 560, N = 60;
  CWnd host;
  host.Create(nullptr, L"bench", WS_POPUP | WS_CLIPCHILDREN, RECT{0, 0, W, H}, nullptr, 0);
  ScanningPage page;
  if (!page.Create(host.m_hWnd)) {
    std::printf("page template 311 missing\n");
    return 1;
  }
  page.SetHeader(LoadThemeImage(L"Images/headers/kestra.png"), L"Scanning", L"Subtitle");
  ::SetWindowPos(page.m_hWnd, nullptr, 0, 0, W, H, SWP_NOZORDER | SWP_SHOWWINDOW);
  page.progress.SetPos(45);
  ::MoveWindow(page.anim.m_hWnd, 600, 380, 120, 120, FALSE);
  page.anim.LoadFrames(L"Images/scan/scan_anim/", 1, 12, L"png");
  page.anim.StartAnimation();
  ::KillTimer(page.anim.m_hWnd, IDT_ANIMATION);
  ::SetWindowPos(host.m_hWnd, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  fw::PumpPending();

  auto repaint = [&] {
    ::RedrawWindow(host.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ::GdiFlush();
  };
  repaint();  // warm-up: images decoded, fonts made
  double t0 = Now();
  for (int i = 0; i < N; ++i) repaint();
  double repaintMs = (Now() - t0) / N;

  // Off-screen only: the page's own painting into memory (no display transfer).
  testsupport::Pixels mem(W, H);
  t0 = Now();
  for (int i = 0; i < N; ++i) {
    ::SendMessageW(page.m_hWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem.dc()), PRF_CLIENT);
    ::GdiFlush();
  }
  double pageOnlyMs = (Now() - t0) / N;

  // Each kind of themed child on its own, over the page's surface.
  auto childMs = [&](HWND child) {
    RECT rc{};
    ::GetClientRect(child, &rc);
    testsupport::Pixels px(rc.right, rc.bottom);
    double s = Now();
    for (int i = 0; i < N; ++i) {
      ::SendMessageW(child, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(px.dc()), PRF_CLIENT);
      ::GdiFlush();
    }
    return (Now() - s) / N;
  };
  double labelMs = childMs(page.labels[0].m_hWnd);
  double progressMs = childMs(page.progress.m_hWnd);
  double animMs = childMs(page.anim.m_hWnd);

  // One BitBlt of the same area to the window (a pixel read back waits until the
  // display has it) and between two memory surfaces.
  // (The host's own DC is clipped to nothing by the page: blit to the screen.)
  WindowDC dc(nullptr);
  t0 = Now();
  for (int i = 0; i < N; ++i) {
    ::BitBlt(dc.get(), 0, 0, W, H, mem.dc(), 0, 0, SRCCOPY);
    ::GetPixel(dc.get(), W - 1, H - 1);
  }
  double blitMs = (Now() - t0) / N;
  testsupport::Pixels copy(W, H);
  t0 = Now();
  for (int i = 0; i < N; ++i) {
    ::BitBlt(copy.dc(), 0, 0, W, H, mem.dc(), 0, 0, SRCCOPY);
    ::GdiFlush();
  }
  double memBlitMs = (Now() - t0) / N;

  std::printf("page %dx%d, %d repaints\n", W, H, N);
  std::printf("full repaint (page + 9 themed children): %.2f ms\n", repaintMs);
  std::printf("page background, header and content only, off-screen: %.2f ms\n", pageOnlyMs);
  std::printf("one label: %.2f ms, the progress bar: %.2f ms, the animation: %.2f ms\n", labelMs,
              progressMs, animMs);
  std::printf("one BitBlt of the same area to the window: %.3f ms\n", blitMs);
  std::printf("one BitBlt of the same area between memory surfaces: %.3f ms\n", memBlitMs);
  std::printf("ratio repaint / window BitBlt: %.1f\n", blitMs > 0 ? repaintMs / blitMs : 0.0);
  std::printf("within a 60 Hz frame (16.7 ms): %s\n", repaintMs <= 16.7 ? "yes" : "no");
  ::CoUninitialize();
  return 0;
}
