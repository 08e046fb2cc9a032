#pragma once
// CLightBoxWnd: the base of the modal questions shown inside the main window.
// When it opens it freezes the main window's content as a picture, dims it,
// and draws a themed box with a top bar and a close button in the middle;
// derived dialogs put their controls and texts in the box (DrawContent).
#include <windows.h>
#include <gdiplus.h>

#include <memory>

#include "alerts/LightBoxLayout.h"
#include "controls/MemDC.h"
#include "controls/TransparentParent.h"
#include "framework/Dialog.h"
#include "framework/Handles.h"

class CLightBoxWnd : public CDialog, public CTransparentParent {
 public:
  static constexpr INT_PTR kCloseResult = 8;  // IDCLOSE

  CLightBoxWnd(UINT templateId, HINSTANCE resourceModule);
  ~CLightBoxWnd() override;

  CMemDCPerm* GetBackgroundSurface() override { return &m_surface; }

  void SetBoxSize(int width, int height) {
    m_boxWidth = width;
    m_boxHeight = height;
  }
  const lightbox_layout::BoxF& BoxRect() const { return m_box; }
  const RECT& CloseButtonRect() const { return m_closeRect; }
  bool CloseHover() const { return m_closeHover; }
  // The main window's picture taken when the popup opened (empty before).
  const CMemDCPerm& Snapshot() const { return m_snapshot; }

  // Paints the whole popup into dc (client coordinates).
  void PaintTo(HDC dc);

 protected:
  // The dialog's own drawing inside the box, after the box is drawn.
  virtual void DrawContent(Gdiplus::Graphics& g, HDC dc) {}

  BOOL OnInitDialog() override;
  BOOL OnEraseBkgnd(HDC dc) override;
  void OnPaint() override;
  void OnMouseMove(UINT flags, POINT pt) override;
  void OnLButtonDown(UINT flags, POINT pt) override;
  void OnLButtonUp(UINT flags, POINT pt) override;
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlColorMessage) override;

 private:
  void TakeSnapshot();

  CMemDCPerm m_surface;
  CMemDCPerm m_snapshot;  // the frozen main window (parent client coordinates)
  std::unique_ptr<Gdiplus::Bitmap> m_closeImage, m_closeOverImage, m_topBar;
  int m_boxWidth = 400;
  int m_boxHeight = 200;
  lightbox_layout::BoxF m_box{};
  bool m_closeHover = false;
  bool m_closePressed = false;
  RECT m_closeRect{};
  POINT m_originInParent{};
};
