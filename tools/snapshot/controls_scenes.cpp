// Scenes of the themed controls: a gallery page with every control, the button
// states one by one, and a page made from the shipped scanning page template.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/AnimationCtrl.h"
#include "controls/BaseDlg.h"
#include "controls/Drawing.h"
#include "controls/RoundProgressCtrl.h"
#include "controls/ThemeBox.h"
#include "controls/ThemeButton.h"
#include "controls/ThemeLabel.h"
#include "controls/TransButton.h"
#include "framework/Gdi.h"
#include "pages/lists/CustomList.h"
#include "pages/lists/VirtualListCtrl.h"
#include "snapshot/Snapshot.h"
#include "support/DialogTemplate.h"
#include "themedata/resource.h"

namespace {

// A top-level pop-up that holds one page.
class Host : public CWnd {
 public:
  bool Make(int w, int h) {
    return Create(nullptr, L"snapshot", WS_POPUP | WS_CLIPCHILDREN, RECT{0, 0, w, h}, nullptr, 0);
  }
};

// A page from an in-memory template that draws the shared drawing functions.
class GalleryPage : public CBaseDlg {
 public:
  GalleryPage() : CBaseDlg(0, nullptr) {}
  bool Make(HWND parent, int w, int h) {
    if (!CreateIndirect(m_template.get(), parent)) return false;
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_SHOWWINDOW);
    return true;
  }
  CThemeBox box;
  std::unique_ptr<Gdiplus::Bitmap> icon = LoadThemeImage(L"Images/overview/status_green.png");
  std::unique_ptr<Gdiplus::Bitmap> picture = LoadThemeImage(L"Images/scan/computer_green.png");

 protected:
  void DrawContent(Gdiplus::Graphics& g) override {
    DrawThemeBox(g, box);
    DrawStatusBanner(g, icon.get(), L"No threats were found on your computer",
                     Theme().GetFont(L"client/large_bold"),
                     Theme().GetColor(L"general/header/green_top"),
                     Theme().GetColor(L"general/header/green_bottom"),
                     Theme().GetColor(L"general/header/title"), 20, 340, 360, 44);
    DrawStatusBanner(g, icon.get(), L"Threats were found", Theme().GetFont(L"client/large_bold"),
                     Theme().GetColor(L"general/header/red_top"),
                     Theme().GetColor(L"general/header/red_bottom"),
                     Theme().GetColor(L"general/header/title"), 20, 392, 360, 44);
    if (picture) {
      SIZE s = ImageSize(picture.get());
      for (int i = 0; i < 3; ++i)
        DrawImageSaturated(g, picture.get(), i * 0.5f, 400 + i * (s.cx + 8), 340, s.cx, s.cy);
    }
    DrawBox(8, 0xFFFFFFFF, 0xFF4A7AB5, 2, Gdiplus::RectF(420, 100, 150, 50),
            kCornerTopLeft | kCornerBottomRight, g);
  }

 private:
  testsupport::DialogTemplate m_template{WS_CHILD | WS_CLIPCHILDREN, 10, 10};
};

class Rows : public ICustomListDraw {
 public:
  void DrawRow(int row, int left, int top, int right, int bottom, HDC dc) override {
    RECT rc{left, top, right, bottom};
    UniqueBrush b(::CreateSolidBrush(row % 2 ? RGB(240, 244, 250) : RGB(255, 255, 255)));
    ::FillRect(dc, &rc, b.get());
    std::wstring text =
        L"Row " + std::to_wstring(row) + L" (" + std::to_wstring(bottom - top) + L" px)";
    ::SetBkMode(dc, TRANSPARENT);
    ::TextOutW(dc, left + 6, top + 4, text.c_str(), static_cast<int>(text.size()));
  }
  int GetRowHeight(int row, int) override { return row == 1 ? 60 : 24; }
  void OnRowClicked(int, POINT, const RECT&) override {}
  void OnListSizeChanged(int, int, bool, bool) override {}
};

class Folders : public IVirtualListParent, public IVirtualListDrawParent {
 public:
  HWND list = nullptr;
  std::vector<std::wstring> rows{L"C:\\Users\\Public\\Documents", L"\\\\server\\share\\",
                                 L"D:\\Downloads"};
  std::wstring GetCellText(int row, int column, UINT) override {
    return column == 0 ? rows[static_cast<size_t>(row)] : L"";
  }
  void OnButtonClicked(int, int, UINT) override {}
  void DrawRow(const DRAWITEMSTRUCT& d) override {
    UniqueBrush b(::CreateSolidBrush(d.itemID % 2 ? RGB(240, 244, 250) : RGB(255, 255, 255)));
    ::FillRect(d.hDC, &d.rcItem, b.get());
    std::wstring t = rows[d.itemID];
    ::SetBkMode(d.hDC, TRANSPARENT);
    ::TextOutW(d.hDC, d.rcItem.left + 6, d.rcItem.top + 4, t.c_str(), static_cast<int>(t.size()));
  }
  void MeasureRow(MEASUREITEMSTRUCT& m) override { m.itemHeight = 24; }
};

}  // namespace

SNAPSHOT_SCENE(gallery) {
  Host host;
  if (!host.Make(720, 520)) return;
  GalleryPage page;
  if (!page.Make(host.m_hWnd, 720, 520)) return;
  page.SetHeader(LoadThemeImage(L"Images/headers/kestra.png"), L"Themed controls",
                 L"Every control of the window layer over the page background");
  page.box.left = 400;
  page.box.top = 170;
  page.box.right = 700;
  page.box.bottom = 320;
  page.box.title = L"A box title that is far too long to fit on one line of this box";

  CThemeLabel plain, bordered;
  plain.Create(L"A themed label over the page background", WS_CHILD | WS_VISIBLE,
               RECT{20, 90, 380, 110}, page.m_hWnd, 10);
  bordered.Create(L"Label with a 2-pixel border", WS_CHILD | WS_VISIBLE, RECT{20, 115, 0, 0},
                  page.m_hWnd, 11);
  bordered.m_borderWidth = 2;
  bordered.m_lineAlignment = 1;
  SIZE s = MeasureLabelText(nullptr, bordered);
  ::SetWindowPos(bordered.m_hWnd, nullptr, 0, 0, s.cx, s.cy, SWP_NOMOVE | SWP_NOZORDER);

  CThemeButton start, startDisabled;
  start.Create(L"", WS_CHILD | WS_VISIBLE, RECT{20, 150, 30, 160}, page.m_hWnd, 20);
  start.SetImages(L"Images\\Overview\\start.png", L"Images\\Overview\\start_over.png",
                  L"Images\\Overview\\start_down.png", L"");
  CSolidButton solid;
  solid.Create(L"Solid button", WS_CHILD | WS_VISIBLE, RECT{220, 150, 360, 180}, page.m_hWnd, 21);
  solid.m_textColor = Theme().GetColor(L"general/button/text");
  solid.m_normalFill = Theme().GetColor(L"general/button/start");
  solid.m_hoverFill = Theme().GetColor(L"general/button/over_start");
  solid.m_pressedFill = Theme().GetColor(L"general/button/end");

  CTransButton check1, check2, radio1, radio2, push;
  check1.Create(L"Checked box", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, RECT{20, 200, 200, 220},
                page.m_hWnd, 30);
  check2.Create(L"Unchecked box", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, RECT{200, 200, 380, 220},
                page.m_hWnd, 31);
  radio1.Create(L"Chosen radio", WS_CHILD | WS_VISIBLE | WS_GROUP | BS_AUTORADIOBUTTON,
                RECT{20, 225, 200, 245}, page.m_hWnd, 32);
  radio2.Create(L"Other radio", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON,
                RECT{200, 225, 380, 245}, page.m_hWnd, 33);
  push.Create(L"Push button", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, RECT{20, 250, 140, 274},
              page.m_hWnd, 34);
  check1.m_allowVisualTheme = check2.m_allowVisualTheme = false;
  radio1.m_allowVisualTheme = radio2.m_allowVisualTheme = false;
  check1.SetCheck(BST_CHECKED);
  radio1.SetCheck(BST_CHECKED);

  CRoundProgressCtrl bar(L"Images/scan/progressbar_middle.png", L"Images/scan/progress_glow.png");
  CRoundProgressCtrl plainBar(L"", L"");
  CRoundProgressCtrl glow(L"Images/scan/progressbar_middle.png", L"Images/scan/progress_glow.png");
  bar.Create(WS_CHILD | WS_VISIBLE, RECT{20, 285, 380, 299}, page.m_hWnd, 1001);
  plainBar.Create(WS_CHILD | WS_VISIBLE, RECT{20, 305, 380, 319}, page.m_hWnd, 1002);
  glow.Create(WS_CHILD | WS_VISIBLE, RECT{400, 450, 700, 464}, page.m_hWnd, 1003);
  bar.SetPos(62);
  plainBar.SetPos(35);
  glow.SetGlowState(120, ::GetTickCount());
  glow.SetGlowMode(true);
  glow.SetGlowMode(false);  // keep the glow still for the picture
  glow.SetGlowState(120, 0);
  glow.SetGlowMode(true);
  ::KillTimer(glow.m_hWnd, IDT_GLOW);

  CAnimationCtrl anim;
  anim.Create(page.m_hWnd, 101);
  ::MoveWindow(anim.m_hWnd, 620, 90, 80, 70, FALSE);
  anim.LoadFrames(L"Images/scan/scan_anim/", 1, 12, L"png");
  anim.StartAnimation();
  ::KillTimer(anim.m_hWnd, IDT_ANIMATION);

  Rows rows;
  CCustomList list(&rows);
  list.Create(WS_VISIBLE | WS_BORDER, RECT{20, 445, 380, 515}, page.m_hWnd, 40);
  list.AddColumn(0);
  list.SetColumnWidth(500, 0);
  list.SetRowCount(5);
  list.RefreshRows(-1);

  ctx.Capture(host.m_hWnd, L"gallery");
}

SNAPSHOT_SCENE(theme_button_states) {
  Host host;
  if (!host.Make(200, 100)) return;
  GalleryPage page;
  if (!page.Make(host.m_hWnd, 200, 100)) return;
  CThemeButton b;
  b.Create(L"", WS_CHILD | WS_VISIBLE, RECT{20, 20, 30, 30}, page.m_hWnd, 20);
  b.SetImages(L"Images\\Overview\\start.png", L"Images\\Overview\\start_over.png",
              L"Images\\Overview\\start_down.png", L"");
  ctx.Capture(host.m_hWnd, L"theme_button_normal");
  ::SendMessageW(b.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  ctx.Capture(host.m_hWnd, L"theme_button_hover");
  ::SendMessageW(b.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ctx.Capture(host.m_hWnd, L"theme_button_pressed");
  ::SendMessageW(b.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(500, 500));
  b.EnableWindow(FALSE);
  ctx.Capture(host.m_hWnd, L"theme_button_disabled");
}

SNAPSHOT_SCENE(scanning_page) {
  Host host;
  if (!host.Make(620, 420)) return;
  struct Page : CBaseDlg {
    Page() : CBaseDlg(IDD_SCANNING) {}
    CThemeLabel labels[7];
    CRoundProgressCtrl progress{L"Images/scan/progressbar_middle.png",
                                L"Images/scan/progress_glow.png"};
    CAnimationCtrl anim;
    BOOL OnInitDialog() override {
      const int ids[7] = {1006, 1007, 1009, 1010, 1011, 1021, 1008};
      for (int i = 0; i < 7; ++i) labels[i].SubclassDlgItem(ids[i], m_hWnd);
      labels[0].SetFont(CreateThemeFont(true, 12, false, false));
      labels[0].m_textColor = Theme().GetColor(L"pages/title");
      progress.SubclassDlgItem(IDC_SCANNING_PROGRESS, m_hWnd);
      anim.Create(m_hWnd, IDC_SCANNING_ANIMATION);
      return FALSE;
    }
  } page;
  if (!page.Create(host.m_hWnd)) return;
  ::SetWindowPos(page.m_hWnd, nullptr, 0, 0, 620, 420, SWP_NOZORDER | SWP_SHOWWINDOW);
  page.labels[6].SetText(L"C:\\Windows\\System32\\drivers\\etc\\hosts");
  page.progress.SetPos(45);
  ::MoveWindow(page.anim.m_hWnd, 500, 300, 100, 100, FALSE);
  page.anim.LoadFrames(L"Images/scan/scan_anim/", 1, 12, L"png");
  page.anim.StartAnimation();
  ::KillTimer(page.anim.m_hWnd, IDT_ANIMATION);
  ctx.Capture(host.m_hWnd, L"scanning_page");
}

SNAPSHOT_SCENE(virtual_list) {
  Host host;
  if (!host.Make(360, 160)) return;
  Folders folders;
  CVirtualListCtrl list(&folders, &folders);
  list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_OWNERDRAWFIXED,
              RECT{0, 0, 360, 160}, host.m_hWnd, 60);
  list.InsertColumn(0, L"Folder", 280);
  list.InsertColumn(1, L"", 60);
  list.SetButtonColumn(1, SIZE{16, 16});
  list.SetItemCountEx(3);
  ctx.Capture(host.m_hWnd, L"virtual_list");
}
