#pragma once
// CRoundProgressCtrl: a capsule-shaped progress bar over the platform progress
// bar (which keeps the range and position). Bar mode fills the measured part with
// a tiled texture; glow mode slides a glow picture from left to right over the
// empty track at 0.5 pixel per millisecond, driven by timer 100 (20 ms) while the
// control is shown.

#include <windows.h>
#include <gdiplus.h>

#include <memory>
#include <string>

#include "controls/MemDC.h"
#include "framework/Controls.h"

class CRoundProgressCtrl : public CProgressCtrl {
 public:
  static constexpr UINT kGlowPeriodMs = 20;

  CRoundProgressCtrl(const std::wstring& barPicture, const std::wstring& glowPicture);
  ~CRoundProgressCtrl() override;

  void SetGlowMode(bool on);
  bool GetGlowMode() const { return m_glowMode; }
  int GetGlowPosition() const { return m_glowPos; }
  // One glow step at the given tick (the timer passes GetTickCount()).
  void StepGlow(DWORD now);
  // Tests and tools place the glow directly.
  void SetGlowState(int position, DWORD lastTick) {
    m_glowPos = position;
    m_lastTick = lastTick;
  }
  bool HasBarPicture() const { return m_bar != nullptr; }
  bool HasGlowPicture() const { return m_glow != nullptr; }

  void PaintTo(HDC dc);

 protected:
  void OnPaint() override;
  void OnPrintClient(HDC dc, UINT flags) override;
  BOOL OnEraseBkgnd(HDC dc) override;
  void OnTimer(UINT_PTR id) override;
  void OnShowWindow(BOOL show, UINT status) override;

 private:
  std::unique_ptr<Gdiplus::Bitmap> m_bar;
  std::unique_ptr<Gdiplus::Bitmap> m_glow;
  DWORD m_lastTick = 0;
  int m_glowPos = 0;
  bool m_glowMode = false;
  CMemDCPerm m_scratch;  // reused off-screen surface of each paint
};

// Width of the filled bar: position x (width / range), range = upper - lower or
// 100 when the bounds are equal.
float ProgressBarWidth(int position, int lower, int upper, int width);
// The glow position after a step at `now` (elapsed is unsigned, so the tick
// count's wrap-around is harmless): + elapsed x 5 / 10, and back to -glowWidth when
// it passes the client width.
int NextGlowPosition(int position, DWORD lastTick, DWORD now, int clientWidth, int glowWidth);
