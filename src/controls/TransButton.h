#pragma once
// CTransButton: a push button, check box or radio button drawn over its
// parent's background. The window is owner-drawn; the button kind of its template
// or creation style is kept, and so are the platform's check-state messages
// (BM_GETCHECK, BM_SETCHECK) and notifications (BN_CLICKED). Automatic check
// boxes toggle and automatic radio buttons check themselves (and clear the other
// radio buttons of their group) when clicked. The arrow keys move through a
// radio group and check the button they reach, and the focused button shows the
// focus mark unless the window's keyboard cues hide it.

#include <windows.h>
#include <gdiplus.h>

#include "controls/MemDC.h"
#include "framework/Controls.h"
#include "theme/ThemeResources.h"

class CTransButton : public CButton {
 public:
  enum Kind { kPush, kCheckBox, kRadio };

  int m_textSize = 8;  // points
  bool m_textBold = false;
  // Let the platform's visual theme draw the boxes when it is active.
  bool m_allowVisualTheme = true;

  Kind GetKind() const { return m_kind; }
  bool IsAuto() const { return m_auto; }
  int GetCheckState() const { return m_check; }

  // Draws the button (background, box or frame, caption) into dc; pressed and
  // focused are the owner-draw states.
  void PaintTo(HDC dc, bool pressed, bool focused);

 protected:
  void PreSubclassWindow() override;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
  bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
  void OnPaint() override;
  void OnPrintClient(HDC dc, UINT flags) override;
  BOOL OnEraseBkgnd(HDC dc) override;

 private:
  void DrawCheck(Gdiplus::Graphics& g, const RECT& box);
  void DrawRadio(Gdiplus::Graphics& g, const RECT& box);
  void DrawPush(HDC dc, const RECT& rc, bool pressed, bool focused);
  void SetCheckState(int state);
  // An arrow key on a radio button: focus and check the next of its group.
  bool MoveInGroup(WPARAM key);
  bool FocusMarkShown() const;

  Kind m_kind = kPush;
  bool m_auto = false;
  bool m_threeState = false;
  int m_check = BST_UNCHECKED;
  CMemDCPerm m_scratch;  // reused off-screen surface of each paint
};

// The check box or radio circle of a button of client rectangle rc, with the
// platform's menu-check mark size.
RECT TransButtonBoxRect(const RECT& rc, SIZE markSize);
// The focus mark of a check box or radio button: around its caption, right of
// the box, as wide as the text (within the client rectangle rc).
RECT FocusMarkRect(const RECT& rc, const RECT& box, SIZE textExtent);
// The three points of the check mark of a box (L, T, W, H).
void CheckMarkPoints(const Gdiplus::RectF& box, Gdiplus::PointF out[3]);
