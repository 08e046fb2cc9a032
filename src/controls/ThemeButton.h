#pragma once
// CThemeButton: a button drawn from four theme images (normal, hover, pressed,
// disabled) over its parent's background. A click posts WM_COMMAND with the
// button's control ID (lParam 0) to the parent. A press released outside the
// button does not click.
//
// CSolidButton: the same behaviour, drawn as a filled rectangle in the state's
// colour with the window text centred in the message font.

#include <windows.h>
#include <gdiplus.h>

#include <memory>
#include <string>

#include "controls/MemDC.h"
#include "framework/Controls.h"
#include "theme/ThemeResources.h"

class CThemeButton : public CButton {
 public:
  enum State { kNormal = 0, kHover = 1, kPressed = 2 };

  CThemeButton();
  ~CThemeButton() override;

  // Loads the four images (relative theme paths; empty: no image) and sizes the
  // button to the normal image.
  void SetImages(const std::wstring& normal, const std::wstring& hover, const std::wstring& pressed,
                 const std::wstring& disabled);

  State GetState() const { return static_cast<State>(m_state); }
  bool IsTracking() const { return m_tracking; }
  bool m_acceptEnter = false;

  // The image drawn for the given enabled flag and state (may be null).
  Gdiplus::Bitmap* ImageFor(bool enabled, int state) const;

  // Paints the button into dc. Returns false when the themed parent has not painted
  // yet (the parent's area around the button was invalidated instead).
  virtual bool PaintTo(HDC dc);

  // Swallows Enter addressed to the button unless m_acceptEnter.
  bool PreTranslateMessage(MSG& msg) override;

 protected:
  void PreSubclassWindow() override;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
  bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
  void OnPaint() override;
  void OnPrintClient(HDC dc, UINT flags) override;
  BOOL OnEraseBkgnd(HDC dc) override;
  void OnMouseMove(UINT flags, POINT pt) override;
  void OnLButtonDown(UINT flags, POINT pt) override;
  void OnLButtonDblClk(UINT flags, POINT pt) override;
  void OnLButtonUp(UINT flags, POINT pt) override;
  // Losing the capture to another window ends the hover.
  void OnCaptureChanged(HWND newCapture) override;

  void SizeToImage();

  std::unique_ptr<Gdiplus::Bitmap> m_normal;
  std::unique_ptr<Gdiplus::Bitmap> m_hover;
  std::unique_ptr<Gdiplus::Bitmap> m_pressed;
  std::unique_ptr<Gdiplus::Bitmap> m_disabled;
  bool m_tracking = false;
  int m_state = kNormal;
  CMemDCPerm m_scratch;  // reused off-screen surface of each paint
};

class CSolidButton : public CThemeButton {
 public:
  CSolidButton();

  ThemeColor m_textColor = 0xFF000000u;
  ThemeColor m_normalFill = 0xFF000000u;
  ThemeColor m_hoverFill = 0xFF000000u;
  ThemeColor m_pressedFill = 0xFF000000u;
  ThemeColor m_disabledFill = 0xFF000000u;  // kept for the owner; not drawn

  // The fill of a state (a disabled button is filled like its state).
  ThemeColor FillFor(int state) const;
  bool PaintTo(HDC dc) override;

 private:
  std::unique_ptr<Gdiplus::Font> m_font;
};
