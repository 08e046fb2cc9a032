// Start-up and repaint figures of the main window.
//
// 1. Time from process start to the first painted main window, against a
//    minimal GDI+ window program started the same way in the same run (both are
//    this executable in a child mode; the engine is the in-process fake, so the
//    engine's own start is not counted). Goal: ratio <= 1.5.
// 2. Full repaint of the main window (frame and visible page), against one
//    BitBlt of the same area. Goal: the repaint fits in a 60 Hz frame (16.7 ms).
#include <windows.h>
#include <gdiplus.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "support/BenchClock.h"
#include "support/FrameHarness.h"
#include "framework/Handles.h"

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Signal(const wchar_t* eventName) {
  if (HANDLE e = OpenEventW(EVENT_MODIFY_STATE, FALSE, eventName)) {
    SetEvent(e);
    CloseHandle(e);
  }
}

LRESULT CALLBACK MinimalProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    {
      Gdiplus::Graphics g(dc);
      Gdiplus::SolidBrush brush(Gdiplus::Color(255, 240, 244, 248));
      g.FillRectangle(&brush, 0, 0, 800, 600);
    }
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

int ChildMinimal(const wchar_t* eventName) {
  Gdiplus::GdiplusStartupInput in;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartup(&token, &in, nullptr);
  WNDCLASSW wc{};
  wc.lpfnWndProc = &MinimalProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"RRBenchMinimal";
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  RegisterClassW(&wc);
  HWND h = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_THICKFRAME, 0, 0, 800, 600,
                           nullptr, nullptr, wc.hInstance, nullptr);
  ShowWindow(h, SW_SHOW);
  UpdateWindow(h);
  Signal(eventName);
  DestroyWindow(h);
  Gdiplus::GdiplusShutdown(token);
  return 0;
}

int ChildFrame(const wchar_t* eventName) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    FrameHarness harness;
    if (!harness.Start()) return 1;  // shows and paints the window
    Signal(eventName);
  }
  CoUninitialize();
  return 0;
}

// Starts this executable in a child mode; milliseconds until its window was painted.
double TimeChild(const wchar_t* mode, int run) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring eventName =
      L"RRBenchPainted" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(run);
  HANDLE painted = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
  std::wstring cmd = L"\"" + std::wstring(self) + L"\" --child " + mode + L" " + eventName;
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  const double start = BenchNowMs();
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return -1;
  const DWORD wait = WaitForSingleObject(painted, 60000);
  const double elapsed = BenchNowMs() - start;
  WaitForSingleObject(pi.hProcess, 60000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  CloseHandle(painted);
  return wait == WAIT_OBJECT_0 ? elapsed : -1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 4 && std::wstring(argv[1]) == L"--child") {
    if (std::wstring(argv[2]) == L"minimal") return ChildMinimal(argv[3]);
    return ChildFrame(argv[3]);
  }

  constexpr int kRuns = 7;
  std::vector<double> minimal, frame;
  TimeChild(L"minimal", 100);  // warm-up: the first process start loads the most
  TimeChild(L"frame", 101);
  for (int i = 0; i < kRuns; ++i) {
    minimal.push_back(TimeChild(L"minimal", 2 * i));
    frame.push_back(TimeChild(L"frame", 2 * i + 1));
  }
  const double m = Median(minimal), f = Median(frame);
  std::printf(
      "startup to first paint (median of %d): minimal GDI+ window %.1f ms, main window "
      "%.1f ms, ratio %.2f (goal <= 1.5)\n",
      kRuns, m, f, m > 0 ? f / m : 0.0);

  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    FrameHarness harness;
    if (!harness.Start()) {
      std::printf("main window did not start\n");
      return 1;
    }
    CMainFrame& mf = harness.Frame();
    PumpFor(200);
    constexpr int kRepaints = 60;
    std::vector<double> repaint, blit;
    for (int i = 0; i < kRepaints; ++i) {
      const double t0 = BenchNowMs();
      mf.RepaintNow();
      GdiFlush();
      repaint.push_back(BenchNowMs() - t0);
    }
    const RECT c = mf.GetClientRect();
    {
      WindowDC wdc(mf.m_hWnd);
      UniqueMemoryDC mem(CreateCompatibleDC(wdc.get()));
      UniqueBitmap bmp(CreateCompatibleBitmap(wdc.get(), c.right, c.bottom));
      ScopedSelect sel(mem.get(), bmp.get());
      for (int i = 0; i < kRepaints; ++i) {
        const double t0 = BenchNowMs();
        BitBlt(wdc.get(), 0, 0, c.right, c.bottom, mem.get(), 0, 0, SRCCOPY);
        GdiFlush();
        blit.push_back(BenchNowMs() - t0);
      }
    }
    const double r = Median(repaint), b = Median(blit);
    std::printf(
        "full repaint %dx%d (median of %d): %.2f ms, one BitBlt %.3f ms, ratio %.1f; "
        "%s a 60 Hz frame (16.7 ms)\n",
        static_cast<int>(c.right), static_cast<int>(c.bottom), kRepaints, r, b, b > 0 ? r / b : 0.0,
        r <= 16.7 ? "within" : "OVER");
  }
  CoUninitialize();
  return 0;
}
