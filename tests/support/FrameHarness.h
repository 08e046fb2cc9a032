#pragma once
// Runs the main window in-process for tools and benchmarks: the shipped theme,
// an application object with a scratch profile key, the fake engine and the
// frame, shown with a client area of the given size. Also saves a window's
// pixels, as the screen shows them, to a PNG file.
#include <windows.h>

#include <memory>
#include <string>

class CMainFrame;
class CRodeRedudApp;
class FakeEngine;

class FrameHarness {
 public:
  FrameHarness();
  ~FrameHarness();

  // Theme, engine and frame; false when one of them fails.
  bool Start(int clientWidth = 800, int clientHeight = 600, bool show = true);
  CMainFrame& Frame() { return *m_frame; }
  FakeEngine& Engine() { return *m_engine; }
  CRodeRedudApp& App() { return *m_app; }

 private:
  std::unique_ptr<CRodeRedudApp> m_app;
  std::unique_ptr<FakeEngine> m_engine;
  std::unique_ptr<CMainFrame> m_frame;
};

// Dispatches queued messages (timers included) for ms milliseconds.
void PumpFor(DWORD ms);
// Copies the window's rectangle from the screen and writes it as PNG.
bool SaveWindowPng(HWND hwnd, const std::wstring& path);
