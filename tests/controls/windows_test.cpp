// Themed windows painting and behaving for real: the page base, the off-screen
// background protocol, labels, buttons, progress bar and animation.
#include <windows.h>

#include <gtest/gtest.h>

#include "controls/AnimationCtrl.h"
#include "controls/BaseDlg.h"
#include "controls/Drawing.h"
#include "controls/MemDC.h"
#include "controls/RoundProgressCtrl.h"
#include "controls/ThemeButton.h"
#include "controls/ThemeLabel.h"
#include "controls/TransButton.h"
#include "fixture.h"
#include "themedata/resource.h"

using testsupport::Rgb;

namespace ctl {
namespace {

class ThemedWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureFixtureTheme();
    ASSERT_TRUE(page.CreatePage(400, 300));
  }
  // Paints the page (so its surface exists) and returns its pixels.
  std::unique_ptr<testsupport::Pixels> PaintPage() { return testsupport::PrintClient(page.m_hWnd); }

  TestPage page;
};

TEST_F(ThemedWindows, BackgroundIsOpaqueThemeColourEvenWithAlphaZero) {
  auto px = PaintPage();
  EXPECT_EQ(px->at(5, 5), kClientBg);
  EXPECT_EQ(px->at(399, 299), kClientBg);
  // The surface stays for the children.
  ASSERT_TRUE(page.GetBackgroundSurface()->IsValid());
  EXPECT_EQ(page.GetBackgroundSurface()->GetPixel(200, 150), RGB(10, 20, 30));
}

TEST_F(ThemedWindows, HeaderBandImageAndGradient) {
  page.SetHeader(LoadThemeImage(kImages + L"header.png"), L"Title", L"Subtitle");
  auto px = PaintPage();
  // Outside the band: background; the band runs from (12, 12) to (388, 72).
  EXPECT_EQ(px->at(6, 40), kClientBg);
  EXPECT_EQ(px->at(200, 80), kClientBg);
  // Image 40 x 30 at x = 20, y = 12 + 15.
  EXPECT_EQ(px->at(21, 28), Rgb(255, 128, 0));
  EXPECT_EQ(px->at(59, 56), Rgb(255, 128, 0));
  // The gradient goes from blue 200 at the top to 100 at the bottom.
  std::uint32_t top = px->at(380, 14), bottom = px->at(380, 69);
  EXPECT_GT(top & 0xFF, bottom & 0xFF);
  EXPECT_EQ(top & 0xFFFF00, 0u);
}

TEST_F(ThemedWindows, EnterAndEscapeNeverClosePage) {
  ::SendMessageW(page.m_hWnd, WM_COMMAND, IDOK, 0);
  ::SendMessageW(page.m_hWnd, WM_COMMAND, IDCANCEL, 0);
  ::SendMessageW(page.m_hWnd, WM_CLOSE, 0, 0);
  EXPECT_TRUE(::IsWindow(page.m_hWnd));
  EXPECT_TRUE(page.IsWindowVisible());
}

TEST_F(ThemedWindows, ChildPaintsOverCopyOfParentSurface) {
  // A patch of the parent's background under part of the label.
  page.patch = RECT{50, 40, 70, 60};
  page.patchColor = Rgb(200, 0, 200);
  CThemeLabel label;
  ASSERT_TRUE(label.Create(L"", WS_CHILD | WS_VISIBLE, RECT{40, 30, 140, 70}, page.m_hWnd, 5));
  PaintPage();
  auto px = testsupport::PrintClient(label.m_hWnd);
  // Label pixel (x, y) shows the parent's pixel (x + 40, y + 30).
  EXPECT_EQ(px->at(0, 0), kClientBg);
  EXPECT_EQ(px->at(10, 10), Rgb(200, 0, 200));
  EXPECT_EQ(px->at(29, 29), Rgb(200, 0, 200));
  EXPECT_EQ(px->at(30, 30), kClientBg);
  // The parent's surface is not touched by the child.
  EXPECT_EQ(page.GetBackgroundSurface()->GetPixel(45, 35), RGB(10, 20, 30));
}

TEST_F(ThemedWindows, SurfacesCopyAtOriginAndBack) {
  CMemDCPerm parent;
  HDC dc = parent.Begin(50, 40);
  ASSERT_NE(dc, nullptr);
  RECT all{0, 0, 50, 40};
  UniqueBrush grey(::CreateSolidBrush(RGB(9, 9, 9)));
  ::FillRect(dc, &all, grey.get());
  RECT spot{20, 10, 21, 11};
  UniqueBrush red(::CreateSolidBrush(RGB(255, 0, 0)));
  ::FillRect(dc, &spot, red.get());
  testsupport::Pixels target(10, 10);
  {
    CMemDC2 mem(target.dc(), RECT{0, 0, 10, 10}, &parent, POINT{15, 5});
    EXPECT_TRUE(mem.FromParent());
  }
  EXPECT_EQ(target.at(5, 5), Rgb(255, 0, 0));
  EXPECT_EQ(target.at(0, 0), Rgb(9, 9, 9));
  // Without a parent surface: the fallback colour.
  {
    CMemDC2 mem(target.dc(), RECT{0, 0, 10, 10}, nullptr, POINT{0, 0}, RGB(1, 2, 3));
    EXPECT_FALSE(mem.FromParent());
  }
  EXPECT_EQ(target.at(5, 5), Rgb(1, 2, 3));
  // The same size keeps the surface; another size makes a new one.
  EXPECT_EQ(parent.Begin(50, 40), dc);
  parent.Begin(60, 40);
  EXPECT_EQ(parent.GetSize().cx, 60);
}

TEST_F(ThemedWindows, LabelMeasuresFourMorePixelsWithBorderTwo) {
  CThemeLabel label;
  ASSERT_TRUE(label.Create(L"Quarantine", WS_CHILD, RECT{0, 0, 10, 10}, page.m_hWnd, 6));
  EXPECT_EQ(label.m_text, L"Quarantine");
  SIZE bare = MeasureLabelText(nullptr, label);
  EXPECT_NE(label.GetFont(), nullptr);  // the message font was given
  label.m_borderWidth = 2.0f;
  SIZE bordered = MeasureLabelText(nullptr, label);
  EXPECT_GT(bare.cx, 10);
  EXPECT_EQ(bordered.cx, bare.cx + 4);
  EXPECT_EQ(bordered.cy, bare.cy + 4);
  // The text of an empty label measures 1 x 1 (+ the border).
  label.m_text.clear();
  EXPECT_EQ(MeasureLabelText(nullptr, label).cx, 5);
  // SetText replaces the label's text.
  label.SetText(L"Other");
  EXPECT_EQ(label.m_text, L"Other");
}

// A host that records the commands it receives.
class CommandPage : public TestPage {
 public:
  std::vector<UINT> commands;

 protected:
  bool OnCommand(UINT id, UINT code, HWND control) override {
    commands.push_back(id);
    return TestPage::OnCommand(id, code, control);
  }
};

class ThemeButtons : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureFixtureTheme();
    ASSERT_TRUE(page.CreatePage(300, 200));
    ASSERT_TRUE(button.Create(L"", WS_CHILD | WS_VISIBLE, RECT{100, 50, 110, 60}, page.m_hWnd, 77));
    button.SetImages(kImages + L"normal.png", kImages + L"hover.png", kImages + L"pressed.png",
                     L"");
  }
  void Move(int x, int y) { ::SendMessageW(button.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }
  void Down(int x, int y) {
    ::SendMessageW(button.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  }
  void Up(int x, int y) { ::SendMessageW(button.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }
  std::uint32_t Shown() {
    testsupport::PrintClient(page.m_hWnd);
    return testsupport::PrintClient(button.m_hWnd)->at(5, 5);
  }

  CommandPage page;
  CThemeButton button;
};

TEST_F(ThemeButtons, TakesTheSizeOfItsNormalImage) {
  RECT rc = button.GetClientRect();
  EXPECT_EQ(rc.right, 40);
  EXPECT_EQ(rc.bottom, 20);
}

TEST_F(ThemeButtons, HoverPressAndReleaseInsideClicksOnce) {
  EXPECT_EQ(Shown(), kNormal);
  Move(5, 5);
  EXPECT_EQ(button.GetState(), CThemeButton::kHover);
  EXPECT_TRUE(button.IsTracking());
  EXPECT_EQ(::GetCapture(), button.m_hWnd);
  EXPECT_EQ(Shown(), kHover);
  Down(5, 5);
  EXPECT_EQ(button.GetState(), CThemeButton::kPressed);
  EXPECT_EQ(Shown(), kPressed);
  Up(5, 5);
  EXPECT_EQ(button.GetState(), CThemeButton::kNormal);
  EXPECT_FALSE(button.IsTracking());
  EXPECT_NE(::GetCapture(), button.m_hWnd);
  Pump();
  ASSERT_EQ(page.commands.size(), 1u);
  EXPECT_EQ(page.commands[0], 77u);
}

TEST_F(ThemeButtons, PressMoveOutAndReleaseSendsNothing) {
  Move(5, 5);
  Down(5, 5);
  Move(60, 5);  // outside: tracking ends
  EXPECT_EQ(button.GetState(), CThemeButton::kNormal);
  EXPECT_FALSE(button.IsTracking());
  Up(60, 5);
  Pump();
  EXPECT_TRUE(page.commands.empty());
}

TEST_F(ThemeButtons, DisabledWithoutDisabledImageShowsNormal) {
  button.EnableWindow(FALSE);
  EXPECT_EQ(Shown(), kNormal);
  button.SetImages(kImages + L"normal.png", kImages + L"hover.png", kImages + L"pressed.png",
                   kImages + L"disabled.png");
  EXPECT_EQ(Shown(), kDisabled);
}

TEST_F(ThemeButtons, EnterIsSwallowedUnlessAccepted) {
  MSG enter{button.m_hWnd, WM_KEYDOWN, VK_RETURN, 0};
  EXPECT_TRUE(fw::PreTranslate(enter));
  MSG space{button.m_hWnd, WM_KEYDOWN, VK_SPACE, 0};
  EXPECT_FALSE(button.PreTranslateMessage(space));
  button.m_acceptEnter = true;
  EXPECT_FALSE(button.PreTranslateMessage(enter));
}

TEST_F(ThemeButtons, ParentWithoutSurfaceIsAskedToPaintFirst) {
  // A fresh page that has not painted yet.
  TestPage fresh;
  ASSERT_TRUE(fresh.CreatePage(200, 100));
  ::ValidateRect(fresh.m_hWnd, nullptr);
  CThemeButton b;
  ASSERT_TRUE(b.Create(L"", WS_CHILD | WS_VISIBLE, RECT{10, 10, 20, 20}, fresh.m_hWnd, 1));
  b.SetImages(kImages + L"normal.png", L"", L"", L"");
  ::ValidateRect(fresh.m_hWnd, nullptr);
  testsupport::Pixels px(40, 20);
  EXPECT_FALSE(b.PaintTo(px.dc()));
  RECT update{};
  ASSERT_TRUE(::GetUpdateRect(fresh.m_hWnd, &update, FALSE));
  EXPECT_EQ(update.left, 9);
  EXPECT_EQ(update.top, 9);
  EXPECT_EQ(update.right, 51);
  EXPECT_EQ(update.bottom, 31);
}

TEST_F(ThemedWindows, SolidButtonFillsWithStateColour) {
  CSolidButton b;
  ASSERT_TRUE(b.Create(L"OK", WS_CHILD | WS_VISIBLE, RECT{10, 10, 110, 40}, page.m_hWnd, 3));
  b.m_normalFill = 0xFF112233;
  b.m_hoverFill = 0xFF445566;
  b.m_pressedFill = 0xFF778899;
  EXPECT_TRUE(b.m_acceptEnter);
  EXPECT_EQ(testsupport::PrintClient(b.m_hWnd)->at(2, 2), Rgb(0x11, 0x22, 0x33));
  ::SendMessageW(b.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(b.GetState(), CThemeButton::kHover);
  EXPECT_EQ(testsupport::PrintClient(b.m_hWnd)->at(2, 2), Rgb(0x44, 0x55, 0x66));
  // Disabling ends the hover (the button loses the mouse capture); a disabled
  // button is filled like its state, never with the disabled colour.
  b.m_disabledFill = 0xFFAABBCC;
  b.EnableWindow(FALSE);
  EXPECT_EQ(b.GetState(), CThemeButton::kNormal);
  EXPECT_EQ(testsupport::PrintClient(b.m_hWnd)->at(2, 2), Rgb(0x11, 0x22, 0x33));
}

TEST_F(ThemedWindows, TransButtonKeepsPlatformCheckBehaviour) {
  CTransButton check;
  ASSERT_TRUE(check.Create(L"Remember", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX,
                           RECT{10, 10, 150, 34}, page.m_hWnd, 11));
  EXPECT_EQ(check.GetKind(), CTransButton::kCheckBox);
  EXPECT_EQ(check.GetStyle() & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_EQ(check.GetCheck(), BST_UNCHECKED);
  ::SendMessageW(check.m_hWnd, BM_CLICK, 0, 0);
  EXPECT_EQ(check.GetCheck(), BST_CHECKED);
  ::SendMessageW(check.m_hWnd, BM_CLICK, 0, 0);
  EXPECT_EQ(check.GetCheck(), BST_UNCHECKED);
  check.SetCheck(BST_CHECKED);
  EXPECT_EQ(check.GetCheck(), BST_CHECKED);

  // Radio buttons of one group exclude each other.
  CTransButton a, b;
  ASSERT_TRUE(a.Create(L"A", WS_CHILD | WS_VISIBLE | WS_GROUP | BS_AUTORADIOBUTTON,
                       RECT{10, 40, 150, 64}, page.m_hWnd, 12));
  ASSERT_TRUE(b.Create(L"B", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON, RECT{10, 70, 150, 94},
                       page.m_hWnd, 13));
  ::SendMessageW(a.m_hWnd, BM_CLICK, 0, 0);
  EXPECT_EQ(a.GetCheck(), BST_CHECKED);
  ::SendMessageW(b.m_hWnd, BM_CLICK, 0, 0);
  EXPECT_EQ(b.GetCheck(), BST_CHECKED);
  EXPECT_EQ(a.GetCheck(), BST_UNCHECKED);
}

TEST_F(ThemedWindows, TransRadioButtonsKeepTheKeyboardOfThePlatform) {
  CTransButton a, b, c, box;
  const DWORD child = WS_CHILD | WS_VISIBLE;
  ASSERT_TRUE(a.Create(L"A", child | WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON,
                       RECT{10, 10, 150, 34}, page.m_hWnd, 21));
  ASSERT_TRUE(b.Create(L"B", child | BS_AUTORADIOBUTTON, RECT{10, 40, 150, 64}, page.m_hWnd, 22));
  ASSERT_TRUE(c.Create(L"C", child | BS_AUTORADIOBUTTON, RECT{10, 70, 150, 94}, page.m_hWnd, 23));
  ASSERT_TRUE(box.Create(L"Box", child | WS_GROUP | WS_TABSTOP | BS_AUTOCHECKBOX,
                         RECT{10, 100, 150, 124}, page.m_hWnd, 24));
  EXPECT_EQ(DLGC_BUTTON | DLGC_RADIOBUTTON | DLGC_WANTARROWS,
            ::SendMessageW(a.m_hWnd, WM_GETDLGCODE, 0, 0));
  EXPECT_EQ(DLGC_BUTTON, ::SendMessageW(box.m_hWnd, WM_GETDLGCODE, 0, 0));
  a.SetCheck(BST_CHECKED);
  ::SetFocus(a.m_hWnd);
  ASSERT_EQ(a.m_hWnd, ::GetFocus());

  struct Step {
    WPARAM key;
    CTransButton* reached;
  };
  const Step steps[] = {{VK_DOWN, &b}, {VK_RIGHT, &c}, {VK_DOWN, &a}, {VK_UP, &c}, {VK_LEFT, &b}};
  CTransButton* radios[] = {&a, &b, &c};
  for (const Step& step : steps) {
    MSG m{::GetFocus(), WM_KEYDOWN, step.key, 0};
    EXPECT_TRUE(::IsDialogMessageW(page.m_hWnd, &m));
    Pump();
    const int id = ::GetDlgCtrlID(step.reached->m_hWnd);
    EXPECT_EQ(step.reached->m_hWnd, ::GetFocus()) << "key " << step.key << ", to " << id;
    for (CTransButton* r : radios) {
      // The reached button is the one checked.
      const bool reached = r == step.reached;
      EXPECT_EQ(reached ? BST_CHECKED : BST_UNCHECKED, r->GetCheck())
          << "key " << step.key << ", button " << ::GetDlgCtrlID(r->m_hWnd);
    }
  }
  EXPECT_EQ(BST_UNCHECKED, box.GetCheck());
}

TEST_F(ThemedWindows, FocusedTransButtonShowsTheFocusMark) {
  for (DWORD kind : {DWORD(BS_AUTOCHECKBOX), DWORD(BS_AUTORADIOBUTTON)}) {
    CTransButton button;
    ASSERT_TRUE(button.Create(L"Caption", WS_CHILD | WS_VISIBLE | kind, RECT{10, 10, 150, 34},
                              page.m_hWnd, 31));
    button.m_allowVisualTheme = false;
    ::SendMessageW(button.m_hWnd, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    PaintPage();
    testsupport::Pixels plain(140, 24), focused(140, 24);
    button.PaintTo(plain.dc(), false, false);
    button.PaintTo(focused.dc(), false, true);
    int differ = 0;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 140; ++x) differ += plain.at(x, y) != focused.at(x, y);
    EXPECT_GT(differ, 20) << "kind " << kind;
    button.DestroyWindow();
  }
}

TEST_F(ThemedWindows, TransButtonDrawsBoxOverParentBackground) {
  CTransButton check;
  ASSERT_TRUE(check.Create(L"", WS_CHILD | WS_VISIBLE | BS_CHECKBOX, RECT{10, 10, 150, 40},
                           page.m_hWnd, 11));
  check.SetCheck(BST_CHECKED);
  check.m_allowVisualTheme = false;  // our own drawing, whatever the platform's theme
  PaintPage();
  auto px = testsupport::PrintClient(check.m_hWnd);
  SIZE mark{::GetSystemMetrics(SM_CXMENUCHECK), ::GetSystemMetrics(SM_CYMENUCHECK)};
  RECT box = TransButtonBoxRect(RECT{0, 0, 140, 30}, mark);
  // Right of the caption start: the parent's background.
  EXPECT_EQ(px->at(130, 15), kClientBg);
  // The box is filled opaque white even though its colour has alpha 10, with a red mark.
  EXPECT_EQ(px->at(box.left + 2, box.bottom - 3), kCheckBg);
  int red = 0;
  for (int y = box.top; y < box.bottom; ++y)
    for (int x = box.left; x < box.right; ++x)
      if ((px->at(x, y) >> 16) > 180 && ((px->at(x, y) >> 8) & 0xFF) < 100) ++red;
  EXPECT_GT(red, 3);
}

class ProgressBarWindow : public ThemedWindows {
 protected:
  void SetUp() override {
    ThemedWindows::SetUp();
    ASSERT_TRUE(bar.Create(WS_CHILD | WS_VISIBLE, RECT{50, 100, 250, 116}, page.m_hWnd, 1001));
  }
  CRoundProgressCtrl bar{L"", kImages + L"glow.png"};
};

TEST_F(ProgressBarWindow, HalfPositionFillsHalfTheTrack) {
  EXPECT_FALSE(bar.HasBarPicture());
  bar.SetRange32(0, 100);
  bar.SetPos(50);
  PaintPage();
  auto px = testsupport::PrintClient(bar.m_hWnd);
  EXPECT_EQ(px->at(50, 8), kProgressBar);  // solid bar colour without a bar picture
  EXPECT_EQ(px->at(96, 8), kProgressBar);
  EXPECT_EQ(px->at(104, 8), kProgressBg);
  EXPECT_EQ(px->at(150, 8), kProgressBg);
  // The rounded ends show the parent's background in the corners.
  EXPECT_EQ(px->at(0, 0), kClientBg);
  EXPECT_EQ(px->at(199, 15), kClientBg);
}

TEST_F(ProgressBarWindow, GlowStartsLeftOfTrackAndDrawsOverEmptyTrack) {
  EXPECT_EQ(bar.GetGlowPosition(), -30);
  bar.SetPos(100);
  bar.SetGlowMode(true);
  bar.SetGlowState(60, 0);
  PaintPage();
  auto px = testsupport::PrintClient(bar.m_hWnd);
  EXPECT_EQ(px->at(70, 8), Rgb(255, 255, 0));  // glow picture, 30 wide from x = 60
  EXPECT_EQ(px->at(120, 8), kProgressBg);      // no bar in glow mode
  bar.SetGlowMode(false);
}

TEST_F(ProgressBarWindow, GlowTimerRunsOnlyWhileShown) {
  bar.SetGlowMode(true);
  // KillTimer tells whether the timer existed; restart it after each probe.
  auto running = [&] {
    bool r = ::KillTimer(bar.m_hWnd, IDT_GLOW) != FALSE;
    if (r) ::SetTimer(bar.m_hWnd, IDT_GLOW, 20, nullptr);
    return r;
  };
  EXPECT_TRUE(running());
  bar.ShowWindow(SW_HIDE);
  EXPECT_FALSE(running());
  bar.ShowWindow(SW_SHOW);
  EXPECT_TRUE(running());
  bar.SetGlowMode(false);
  EXPECT_FALSE(running());
  bar.ShowWindow(SW_HIDE);
  bar.ShowWindow(SW_SHOW);
  EXPECT_FALSE(running());  // glow mode off: showing starts nothing
}

TEST_F(ProgressBarWindow, GlowMovesWithTheRealTimer) {
  bar.SetGlowState(0, ::GetTickCount());
  bar.SetGlowMode(true);
  DWORD start = ::GetTickCount();
  struct Ctx {
    CRoundProgressCtrl* bar;
  } ctx{&bar};
  fw::RunMessageLoop([](void* c) { return static_cast<Ctx*>(c)->bar->GetGlowPosition() >= 50; },
                     &ctx, 3000);
  DWORD elapsed = ::GetTickCount() - start;
  bar.SetGlowMode(false);
  EXPECT_GE(bar.GetGlowPosition(), 50);
  EXPECT_GE(elapsed, 90u);  // 0.5 pixel per millisecond at most
}

class AnimationWindow : public ThemedWindows {
 protected:
  void SetUp() override {
    ThemedWindows::SetUp();
    ASSERT_TRUE(anim.Create(page.m_hWnd, 101));
  }
  CAnimationCtrl anim;
};

TEST_F(AnimationWindow, CreatedEmptyAndNamed) {
  EXPECT_EQ(anim.GetText(), L"AnimCtrl");
  EXPECT_EQ(anim.GetDlgCtrlID(), 101);
  EXPECT_TRUE(anim.IsWindowVisible());
  RECT rc = anim.GetClientRect();
  EXPECT_EQ(rc.right, 0);
  // No frames: StartAnimation does nothing.
  anim.StartAnimation();
  EXPECT_EQ(anim.CurrentFrameIndex(), -1);
  EXPECT_FALSE(::KillTimer(anim.m_hWnd, IDT_ANIMATION));
}

TEST_F(AnimationWindow, MissingFrameIsSkippedWithoutGap) {
  anim.LoadFrames(kImages + L"anim/", 1, 12, L"png");
  ASSERT_EQ(anim.FrameCount(), 11u);
  anim.StartAnimation();
  EXPECT_EQ(anim.CurrentFrameIndex(), 0);
  EXPECT_TRUE(::KillTimer(anim.m_hWnd, IDT_ANIMATION));
  // Frame widths are 10 + n: index 3 is 4.png (14), index 4 is 6.png (16).
  for (int i = 0; i < 3; ++i) anim.Step();
  EXPECT_EQ(anim.CurrentFrameIndex(), 3);
  anim.Step();
  EXPECT_EQ(anim.CurrentFrameIndex(), 4);
  // The cycle wraps after 11 frames.
  for (int i = 0; i < 7; ++i) anim.Step();
  EXPECT_EQ(anim.CurrentFrameIndex(), 0);
}

TEST_F(AnimationWindow, RestartShowsFirstFrameThenContinuesAfterLastStep) {
  anim.LoadFrames(kImages + L"anim/", 1, 12, L"png");
  anim.StartAnimation();
  anim.Step();
  anim.Step();  // step index 2
  ::KillTimer(anim.m_hWnd, IDT_ANIMATION);
  anim.StartAnimation();
  EXPECT_EQ(anim.CurrentFrameIndex(), 0);
  anim.Step();
  EXPECT_EQ(anim.CurrentFrameIndex(), 3);
  // Reloading the frames leaves no stale frame shown.
  anim.LoadFrames(kImages + L"anim/", 1, 2, L"png");
  EXPECT_EQ(anim.CurrentFrameIndex(), -1);
  EXPECT_EQ(anim.FrameCount(), 2u);
}

TEST_F(AnimationWindow, FrameCentredOverAnimationBackground) {
  ::MoveWindow(anim.m_hWnd, 10, 10, 40, 30, FALSE);
  anim.LoadFrames(kImages + L"anim/", 1, 1, L"png");  // 11 x 10, colour (1, 1, 1)
  PaintPage();
  EXPECT_EQ(testsupport::PrintClient(anim.m_hWnd)->at(20, 15), kClientBg);  // no frame yet
  anim.StartAnimation();
  ::KillTimer(anim.m_hWnd, IDT_ANIMATION);
  auto px = testsupport::PrintClient(anim.m_hWnd);
  EXPECT_EQ(px->at(2, 2), kAnimationBg);
  EXPECT_EQ(px->at(14, 10), Rgb(1, 1, 1));  // frame from (14, 10) to (25, 20)
  EXPECT_EQ(px->at(24, 19), Rgb(1, 1, 1));
  EXPECT_EQ(px->at(25, 19), kAnimationBg);
}

}  // namespace
}  // namespace ctl

namespace ctl {
namespace {

TEST(TextFitting, LongTextIsCutWithAnEllipsisOnOneLine) {
  EnsureFixtureTheme();
  testsupport::Pixels px(10, 10);
  Gdiplus::Graphics g(px.dc());
  UniqueFont hfont = CreateThemeFont(true, 11, false, false);
  auto font = MakeGdiplusFont(hfont.get());
  ASSERT_TRUE(font);
  Gdiplus::StringFormat oneLine(Gdiplus::StringFormatFlagsNoWrap);
  oneLine.SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
  const std::wstring title = L"A box title that is far too long for its box";
  Gdiplus::RectF narrow(0, 0, 120, 40);
  std::wstring shown = FitTextWithEllipsis(g, *font, title, narrow, oneLine);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back(), L'\u2026');
  EXPECT_LT(shown.size(), title.size());
  EXPECT_EQ(title.compare(0, shown.size() - 1, shown, 0, shown.size() - 1), 0);
  Gdiplus::RectF bounds;
  g.MeasureString(shown.c_str(), static_cast<INT>(shown.size()), font.get(), Gdiplus::PointF(0, 0),
                  &oneLine, &bounds);
  EXPECT_LE(bounds.Width, 121.0f);
  // Text that fits stays as it is.
  EXPECT_EQ(FitTextWithEllipsis(g, *font, L"Box", narrow, oneLine), L"Box");
  // A wide rectangle takes the whole title.
  EXPECT_EQ(FitTextWithEllipsis(g, *font, title, Gdiplus::RectF(0, 0, 2000, 40), oneLine), title);
}

}  // namespace
}  // namespace ctl

namespace ctl {
namespace {

TEST_F(ThemedWindows, StaticTextsGetHollowBrushEditsKeepPlatformColours) {
  HWND text = ::CreateWindowExW(0, L"STATIC", L"t", WS_CHILD, 0, 0, 50, 10, page.m_hWnd, nullptr,
                                nullptr, nullptr);
  HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 20, 50, 10, page.m_hWnd, nullptr,
                                nullptr, nullptr);
  testsupport::Pixels px(4, 4);
  ::SetBkMode(px.dc(), OPAQUE);
  LRESULT brush = ::SendMessageW(page.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(px.dc()),
                                 reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), static_cast<HBRUSH>(::GetStockObject(HOLLOW_BRUSH)));
  EXPECT_EQ(::GetBkMode(px.dc()), TRANSPARENT);
  ::SetBkMode(px.dc(), OPAQUE);
  brush = ::SendMessageW(page.m_hWnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(px.dc()),
                         reinterpret_cast<LPARAM>(edit));
  EXPECT_NE(reinterpret_cast<HBRUSH>(brush), static_cast<HBRUSH>(::GetStockObject(HOLLOW_BRUSH)));
  EXPECT_EQ(::GetBkMode(px.dc()), OPAQUE);
}

TEST(Saturation, ZeroDrawsGreyOneDrawsTheImage) {
  EnsureFixtureTheme();
  Gdiplus::Bitmap red(4, 4, PixelFormat32bppARGB);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) red.SetPixel(x, y, Gdiplus::Color(255, 200, 40, 0));
  testsupport::Pixels px(8, 4);
  {
    Gdiplus::Graphics g(px.dc());
    DrawImageSaturated(g, &red, 0.0f, 0, 0, 4, 4);
    DrawImageSaturated(g, &red, 1.0f, 4, 0, 4, 4);
  }
  std::uint32_t grey = px.at(1, 1);
  int r = static_cast<int>(grey >> 16), gch = static_cast<int>((grey >> 8) & 0xFF),
      b = static_cast<int>(grey & 0xFF);
  EXPECT_NEAR(r, gch, 1);
  EXPECT_NEAR(gch, b, 1);
  EXPECT_NEAR(r, static_cast<int>(0.3086 * 200 + 0.6094 * 40), 2);  // 86
  EXPECT_EQ(px.at(5, 1), Rgb(200, 40, 0));
}

}  // namespace
}  // namespace ctl
