#pragma once
// CAnimationCtrl: a child window that cycles through a numbered series of PNG
// frames (timer 400, 50 ms) over its parent's background.

#include <windows.h>
#include <gdiplus.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/MemDC.h"
#include "framework/Wnd.h"

class CAnimationCtrl : public CWnd {
 public:
  static constexpr UINT kAnimationPeriodMs = 50;

  CAnimationCtrl();
  ~CAnimationCtrl() override;

  // A visible child of the default class, text "AnimCtrl", empty rectangle.
  bool Create(HWND parent, UINT id);
  // Replaces the frames with prefix + n + "." + extension for n in [first, last];
  // missing files are skipped. The current frame is left as it is.
  void LoadFrames(const std::wstring& prefix, int first, int last, const std::wstring& extension);
  // Starts timer 400 and shows the first frame (nothing without frames).
  void StartAnimation();
  // One animation step (what timer 400 does).
  void Step();

  size_t FrameCount() const { return m_frames.size(); }
  // Index of the current frame in the list, or -1 when none is shown.
  int CurrentFrameIndex() const;
  int StepIndex() const { return m_step; }

  void PaintTo(HDC dc);

 protected:
  void OnPaint() override;
  void OnPrintClient(HDC dc, UINT flags) override;
  BOOL OnEraseBkgnd(HDC dc) override;
  void OnTimer(UINT_PTR id) override;

 private:
  Gdiplus::Bitmap* m_current = nullptr;  // one of m_frames
  std::vector<std::unique_ptr<Gdiplus::Bitmap>> m_frames;
  int m_step = 0;
  CMemDCPerm m_scratch;  // reused off-screen surface of each paint
};

// "%s%d.%s" of prefix, n and extension.
std::wstring AnimationFramePath(const std::wstring& prefix, int n, const std::wstring& extension);
// The step index after `step` in a cycle of `count` frames.
int NextAnimationStep(int step, int count);
// Top-left of a frame centred in the client area (rounded toward zero).
POINT CenteredFrameOrigin(SIZE client, SIZE frame);
