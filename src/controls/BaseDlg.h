#pragma once
// CBaseDlg: the themed page and dialog base. A dialog created from a template of
// the theme's resource library that paints itself: the theme background colour,
// the tiled background image, an optional header band with image, title and
// subtitle, then the page's own DrawContent; all into its persistent surface,
// copied to the screen in one step. Its themed children paint over a copy of
// that surface (CTransparentParent). Enter and Escape never close it.

#include <windows.h>
#include <gdiplus.h>

#include <memory>
#include <string>

#include "controls/MemDC.h"
#include "controls/TransparentParent.h"
#include "framework/Dialog.h"
#include "theme/ThemeResources.h"

class CBaseDlg : public CDialog, public CTransparentParent {
 public:
  // templateId in the theme's resource library (Theme().ResourceModule()).
  explicit CBaseDlg(UINT templateId);
  // The same from another module (tests, tools).
  CBaseDlg(UINT templateId, HINSTANCE resourceModule);
  ~CBaseDlg() override;

  // Shows the header band; the dialog takes the image (may be null).
  void SetHeader(std::unique_ptr<Gdiplus::Bitmap> image, std::wstring title, std::wstring subtitle);

  CMemDCPerm* GetBackgroundSurface() override { return &m_surface; }

  // Text colour of the header texts ("client/body_text" at construction).
  ThemeColor m_textColor;

  bool HasHeader() const { return m_hasHeader; }
  const std::wstring& HeaderTitle() const { return m_title; }
  const std::wstring& HeaderSubtitle() const { return m_subtitle; }

  // Paints the whole client area into the surface and copies it to dc.
  void PaintTo(HDC dc);

  // Replaces the tiled background picture (none: the background colour only).
  void SetBackgroundImage(std::unique_ptr<Gdiplus::Bitmap> image) {
    m_background = std::move(image);
    m_backgroundBrush.reset();
    m_backgroundTile.reset();
    m_pictureKey.clear();
  }

 protected:
  void OnOK() override {}
  void OnCancel() override {}
  // The page's own painting, onto the surface, after background and header.
  virtual void DrawContent(Gdiplus::Graphics& g);
  // What the page's own drawing shows, as a text: a page that gives one keeps
  // its picture, and a paint that would draw the same picture again (same key,
  // same size) only copies the surface to the screen. Empty, the default: the
  // page is drawn on every paint.
  virtual std::wstring PictureKey() { return {}; }
  // The page's background, drawn with GDI onto the surface before anything else
  // (large fills and gradients cost much less there than through GDI+). The
  // default: the tiled background picture over the background colour.
  virtual void DrawBackground(HDC surface, const RECT& client);

  void OnPaint() override;
  void OnPrintClient(HDC dc, UINT flags) override;
  BOOL OnEraseBkgnd(HDC dc) override;
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlColorMessage) override;

 private:
  void DrawHeaderBand(HDC dc, const RECT& client);
  void DrawHeader(Gdiplus::Graphics& g, const RECT& client);
  HBRUSH BackgroundBrush(ThemeColor background);

  CMemDCPerm m_surface;
  std::wstring m_pictureKey;  // the key of the picture on the surface; empty: none kept
  HBRUSH m_brush;  // hollow stock brush for the platform's static controls
  bool m_hasHeader = false;
  std::unique_ptr<Gdiplus::Bitmap> m_headerImage;
  std::wstring m_title;
  std::wstring m_subtitle;
  std::unique_ptr<Gdiplus::Bitmap> m_background;
  // The background picture over the background colour as a GDI pattern brush,
  // made at the first paint (tiling through GDI+ is slow on some platforms).
  UniqueBitmap m_backgroundTile;
  UniqueBrush m_backgroundBrush;
  // Header fonts, made at the first paint (theme fonts never change).
  std::unique_ptr<Gdiplus::Font> m_titleFont;
  std::unique_ptr<Gdiplus::Font> m_subtitleFont;
};
