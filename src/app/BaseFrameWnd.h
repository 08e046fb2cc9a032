#pragma once
// CBaseFrameWnd: the themed, captionless frame window. It draws its own header
// (logo, caption buttons, frame buttons) and a vertical tab strip, keeps the
// pages of the tabs, switches between them and hands its off-screen image to
// transparent child controls.
#include <windows.h>
#include <gdiplus.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/FrameLayout.h"
#include "controls/MemDC.h"
#include "controls/TransparentParent.h"
#include "framework/FrameWnd.h"
#include "framework/Handles.h"

class CBaseFrameWnd : public CFrameWnd, public CTransparentParent {
 public:
  // Mouse states of the pressed item.
  enum class ItemKind { Tab = 0, FrameButton = 1 };

  CBaseFrameWnd();
  ~CBaseFrameWnd() override;

  // The frame's picture as last painted (the chrome surface below).
  CMemDCPerm* GetBackgroundSurface() override { return &m_chromes[m_chrome].surface; }

  // Adds a tab; returns its index.
  int AddTab(const std::wstring& label, const wchar_t* iconPath, CWnd* page);
  void AddFrameButton(UINT command, const std::wstring& label, const wchar_t* imagePath);
  int GetTabCount() const { return static_cast<int>(m_tabs.size()); }
  int GetActiveTab() const { return m_activeTab; }
  CWnd* GetTabPage(int tab) const;
  CWnd* GetStandalonePage() const { return m_standalone; }

  // Navigation offered to the pages.
  void SetTabPage(int tab, CWnd* page);
  void SelectTab(int tab, bool userInitiated);
  void ShowStandalonePage(CWnd* page);
  virtual void SetTabsEnabled(bool enabled);
  bool TabsEnabled() const { return m_tabsEnabled; }

  // The window that currently shows in the page area (tab page or stand-alone page).
  CWnd* GetVisiblePage() const;

  // Paints the whole window into its surface now and copies it to the screen.
  void RepaintNow();
  // Drops the cached drawing of the header and tab strip (texts or images changed).
  void InvalidateChrome() {
    for (Chrome& c : m_chromes) c.valid = false;
  }
  // Paints the current state into dc (client coordinates); used by the paint
  // handler and by snapshots.
  void PaintTo(HDC dc);

 protected:
  // A click on tab 0 or 1 returns it to its first page; the main frame knows which.
  virtual void OnGoToStartPage(int tab, bool userInitiated) {}
  // Called before a page is placed or shown: a frame whose page windows are made
  // after its first paint makes this one's window now.
  virtual void EnsurePageWindow(CWnd* page) {}
  // Moves the page into the page area.
  void PlacePage(CWnd* page);
  // Asked on WM_QUERYENDSESSION and WM_ENDSESSION.
  virtual bool IsNavigationLocked() const { return !m_tabsEnabled; }
  virtual void RequestShutdown();
  // The message box asking whether the session may end while a scan runs.
  virtual bool ConfirmEndSession();

  int OnCreate(CREATESTRUCTW* cs) override;
  BOOL OnEraseBkgnd(HDC dc) override;
  void OnPaint() override;
  void OnPrintClient(HDC dc, UINT flags) override;
  void OnGetMinMaxInfo(MINMAXINFO* info) override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnMove(int x, int y) override;
  void OnMouseMove(UINT flags, POINT pt) override;
  void OnLButtonDown(UINT flags, POINT pt) override;
  void OnLButtonUp(UINT flags, POINT pt) override;
  void OnCaptureChanged(HWND newCapture) override;
  LRESULT OnNcHitTest(POINT screenPt) override;
  void OnNcLButtonDown(UINT hitTest, POINT screenPt) override;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  void RecalcLayout();
  void SavePlacement();
  SIZE CaptionGroupSize() const;
  RECT PageAreaRect() const;
  HFONT WindowFont() const { return m_font.get(); }

 private:
  struct Tab {
    RECT rect{};
    CWnd* page = nullptr;
    std::wstring label;
    std::unique_ptr<Gdiplus::Bitmap> icon;
    int index = 0;
  };
  struct FrameButton {
    RECT rect{};
    UINT command = 0;
    std::wstring label;
    std::unique_ptr<Gdiplus::Bitmap> image;
  };
  struct Pressed {
    bool active = false;
    ItemKind kind = ItemKind::Tab;
    int item = -1;
  };

  void HidePage(CWnd* page);
  void UpdateHover(POINT pt);
  void PaintHeader(Gdiplus::Graphics& g, HDC dc, int width);
  void PaintTabs(Gdiplus::Graphics& g, HDC dc, int height);
  void PaintFrameButtons(Gdiplus::Graphics& g, HDC dc);
  void PaintCaptionButtons(Gdiplus::Graphics& g);
  int HitTab(POINT pt) const;
  int HitFrameButton(POINT pt) const;

  std::vector<Tab> m_tabs;
  std::vector<FrameButton> m_buttons;
  int m_activeTab = -1;
  CWnd* m_standalone = nullptr;
  bool m_tabsEnabled = true;
  Pressed m_pressed;
  int m_hoverTab = -1;
  int m_hoverButton = -1;
  bool m_tracking = false;
  int m_headerHeight = frame_layout::kHeaderHeight;

  std::unique_ptr<Gdiplus::Bitmap> m_titleBar, m_tabBg, m_tabActiveBg, m_tabOverBg, m_closeBg,
      m_min, m_max, m_restore, m_close, m_partnerLogo, m_logo;
  UniqueFont m_font;

  // The header, tabs and buttons change only with the state below: they are
  // drawn once per state into a surface, which every paint copies to the
  // window in one step and the transparent children copy their background from.
  // The pictures of the last few states are kept: moving over the tabs and
  // clicking one goes back and forth between a handful of states.
  struct ChromeKey {
    int width = -1, height = -1, activeTab = -2, hoverTab = -2, hoverButton = -2;
    bool tabsEnabled = false, zoomed = false;
    size_t tabs = 0, buttons = 0;
    bool operator==(const ChromeKey&) const = default;
  };
  ChromeKey CurrentChromeKey() const;
  // The chrome surface for the current state (redrawn when the state changed);
  // null when no surface could be made.
  HDC UpToDateChrome();
  // The background colour over the whole client area.
  void FillChromeBackground(HDC dc);
  // Draws the header, tabs and buttons with g over the background; dc is the
  // context g draws on.
  void PaintChrome(Gdiplus::Graphics& g, HDC dc);
  struct Chrome {
    CMemDCPerm surface;
    ChromeKey key;
    bool valid = false;
    unsigned lastUse = 0;
  };
  static constexpr size_t kChromeStates = 4;
  std::array<Chrome, kChromeStates> m_chromes;
  size_t m_chrome = 0;  // the picture of the current state
  unsigned m_chromeUses = 0;
};
