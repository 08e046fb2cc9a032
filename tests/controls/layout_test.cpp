// Layout and measuring numbers of the themed controls and the list controls,
// checked without painting.
#include <windows.h>

#include <gtest/gtest.h>

#include "controls/AnimationCtrl.h"
#include "controls/Drawing.h"
#include "controls/RoundProgressCtrl.h"
#include "controls/ThemeBox.h"
#include "controls/ThemeLabel.h"
#include "controls/TransButton.h"
#include "pages/lists/CustomList.h"
#include "pages/lists/VirtualListCtrl.h"
#include "theme/ThemeResources.h"

namespace {

bool Eq(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(HeaderLayout, WithoutImageTitleStartsAt32) {
  HeaderLayout l = ComputeHeaderLayout(RECT{0, 0, 600, 400}, SIZE{0, 0});
  EXPECT_TRUE(Eq(l.header, RECT{12, 12, 588, 72}));
  EXPECT_TRUE(Eq(l.title, RECT{32, 18, 582, 52}));
  EXPECT_TRUE(Eq(l.subtitle, RECT{35, 44, 582, 72}));
}

TEST(HeaderLayout, ImageIsCentredInTheBandAndPushesTheTexts) {
  HeaderLayout l = ComputeHeaderLayout(RECT{0, 0, 600, 400}, SIZE{48, 41});
  EXPECT_EQ(l.image.x, 20);
  EXPECT_EQ(l.image.y, 12 + (60 - 41) / 2);  // 21: halves rounded down
  EXPECT_EQ(l.title.left, 48 + 32);
  EXPECT_EQ(l.subtitle.left, 48 + 35);
}

TEST(StatusBannerLayout, IconAndTextColumn) {
  StatusBannerLayout l = ComputeStatusBannerLayout(10, 100, 500, 50, SIZE{32, 32});
  EXPECT_EQ(l.icon.x, 20);
  EXPECT_EQ(l.icon.y, 105);
  EXPECT_FLOAT_EQ(l.text.X, 62.0f);
  EXPECT_FLOAT_EQ(l.text.GetRight(), 510.0f);
  EXPECT_FLOAT_EQ(l.text.Y, 105.0f);
  EXPECT_FLOAT_EQ(l.text.GetBottom(), 145.0f);
}

TEST(LabelLayout, BorderOutlineAndTextInset) {
  LabelLayout none = ComputeLabelLayout(RECT{0, 0, 100, 30}, 0.0f);
  EXPECT_FALSE(none.hasBorder);
  EXPECT_FLOAT_EQ(none.text.Width, 100.0f);

  LabelLayout l = ComputeLabelLayout(RECT{0, 0, 100, 30}, 2.0f);
  ASSERT_TRUE(l.hasBorder);
  // From (w/2, w/2) to (width - w, height - w).
  EXPECT_FLOAT_EQ(l.border.X, 1.0f);
  EXPECT_FLOAT_EQ(l.border.Y, 1.0f);
  EXPECT_FLOAT_EQ(l.border.GetRight(), 98.0f);
  EXPECT_FLOAT_EQ(l.border.GetBottom(), 28.0f);
  // The text sits 2 pixels in from each edge.
  EXPECT_FLOAT_EQ(l.text.X, 2.0f);
  EXPECT_FLOAT_EQ(l.text.Y, 2.0f);
  EXPECT_FLOAT_EQ(l.text.GetRight(), 98.0f);
  EXPECT_FLOAT_EQ(l.text.GetBottom(), 28.0f);
}

TEST(LabelLayout, MeasuredSizeAddsTwiceTheBorderAndOne) {
  SIZE bare = LabelSizeForText(Gdiplus::SizeF(40.6f, 13.2f), 0.0f);
  SIZE bordered = LabelSizeForText(Gdiplus::SizeF(40.6f, 13.2f), 2.0f);
  EXPECT_EQ(bare.cx, 41);
  EXPECT_EQ(bare.cy, 14);
  EXPECT_EQ(bordered.cx, 45);  // 40.6 + 4 + 1, truncated
  EXPECT_EQ(bordered.cy, 18);
}

TEST(ProgressBar, BarWidthFromPositionAndRange) {
  struct Case {
    int pos, lower, upper, width;
    float expected;
  } cases[] = {
      {50, 0, 100, 200, 100.0f},  // half of a 200-pixel bar
      {0, 0, 100, 200, 0.0f},    {100, 0, 100, 200, 200.0f},
      {50, 7, 7, 200, 100.0f},  // equal bounds: range 100
      {3, 0, 10, 95, 28.5f},    // floating point
  };
  for (const Case& c : cases)
    EXPECT_FLOAT_EQ(ProgressBarWidth(c.pos, c.lower, c.upper, c.width), c.expected)
        << c.pos << " " << c.lower << ".." << c.upper;
}

TEST(ProgressBar, GlowStepsByElapsedTime) {
  struct Case {
    int pos;
    DWORD last, now;
    int width, glow, expected;
  } cases[] = {
      {0, 1000, 1003, 200, 30, 1},      // 3 ms: one pixel
      {0, 1000, 1001, 200, 30, 0},      // 1 ms: none
      {10, 1000, 1020, 200, 30, 20},    // 20 ms: ten pixels
      {0, 0xFFFFFFFEu, 2, 200, 30, 2},  // the tick count wrapped
      {199, 1000, 1002, 200, 30, 200},  // equal to the width: stays
      {200, 1000, 1002, 200, 30, -30},  // past the width: back to the left
      {200, 1000, 1002, 200, 0, 0},     // no glow picture: back to 0
      {-30, 1000, 1000 + 460, 200, 30, 200},
  };
  for (const Case& c : cases)
    EXPECT_EQ(NextGlowPosition(c.pos, c.last, c.now, c.width, c.glow), c.expected)
        << c.pos << " " << c.last << "->" << c.now;
}

TEST(Animation, FramePathsStepsAndCentring) {
  EXPECT_EQ(AnimationFramePath(L"Images/scan/scan_anim/", 7, L"png"),
            L"Images/scan/scan_anim/7.png");
  EXPECT_EQ(NextAnimationStep(0, 11), 1);
  EXPECT_EQ(NextAnimationStep(10, 11), 0);
  EXPECT_EQ(NextAnimationStep(0, 1), 0);
  POINT p = CenteredFrameOrigin(SIZE{100, 50}, SIZE{41, 21});
  EXPECT_EQ(p.x, 29);
  EXPECT_EQ(p.y, 14);
  // A frame wider than the control overhangs both sides equally.
  p = CenteredFrameOrigin(SIZE{40, 40}, SIZE{61, 40});
  EXPECT_EQ(p.x, -10);  // -21 / 2 rounds toward zero
  EXPECT_EQ(p.y, 0);
}

TEST(ThemeBox, TitleBarDividerAndTitle) {
  CThemeBox box;
  box.left = 10;
  box.top = 20;
  box.right = 310;
  box.bottom = 220;
  ThemeBoxLayout l = ComputeThemeBoxLayout(box);
  EXPECT_FLOAT_EQ(l.outline.Width, 299.0f);
  EXPECT_FLOAT_EQ(l.outline.Height, 199.0f);
  EXPECT_FLOAT_EQ(l.titleBar.Height, 39.0f);
  EXPECT_FLOAT_EQ(l.dividerFrom.X, 11.0f);
  EXPECT_FLOAT_EQ(l.dividerTo.X, 308.0f);
  EXPECT_FLOAT_EQ(l.dividerFrom.Y, 59.0f);
  EXPECT_FLOAT_EQ(l.titleText.X, 20.0f);
  EXPECT_FLOAT_EQ(l.titleText.Y, 30.0f);
  EXPECT_FLOAT_EQ(l.titleText.Width, 280.0f);
  EXPECT_FLOAT_EQ(l.titleText.Height, 40.0f);
}

TEST(TransButtonLayout, BoxAtLeftVerticallyCentredOneUp) {
  RECT box = TransButtonBoxRect(RECT{0, 0, 120, 24}, SIZE{13, 13});
  EXPECT_TRUE(Eq(box, RECT{0, 4, 13, 17}));  // (24 - 13) / 2 - 1
  Gdiplus::PointF pts[3];
  CheckMarkPoints(Gdiplus::RectF(0, 0, 20, 20), pts);
  EXPECT_FLOAT_EQ(pts[0].X, 3.0f);
  EXPECT_FLOAT_EQ(pts[0].Y, 9.0f);
  EXPECT_FLOAT_EQ(pts[1].X, 7.0f);
  EXPECT_FLOAT_EQ(pts[1].Y, 15.0f);
  EXPECT_FLOAT_EQ(pts[2].X, 17.0f);
  EXPECT_FLOAT_EQ(pts[2].Y, 5.0f);
}

TEST(Saturation, MatrixKeepsAFractionOfTheColour) {
  Gdiplus::ColorMatrix grey = SaturationMatrix(0.0f);
  // Every output channel is the same luminance mix.
  for (int i = 0; i < 3; ++i) {
    EXPECT_FLOAT_EQ(grey.m[i][0], grey.m[i][1]);
    EXPECT_FLOAT_EQ(grey.m[i][1], grey.m[i][2]);
  }
  EXPECT_FLOAT_EQ(grey.m[0][0], 0.3086f);
  EXPECT_FLOAT_EQ(grey.m[1][0], 0.6094f);
  EXPECT_FLOAT_EQ(grey.m[2][0], 0.0820f);
  Gdiplus::ColorMatrix same = SaturationMatrix(1.0f);
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 5; ++j) EXPECT_FLOAT_EQ(same.m[i][j], i == j ? 1.0f : 0.0f);
}

TEST(RoundedRectPath, SquareAndRoundCornersClosedClockwise) {
  Theme();  // keeps GDI+ started
  Gdiplus::GraphicsPath square;
  AddRoundedRectPath(square, 0, 0, 100, 50, 10, 0);
  Gdiplus::RectF b;
  square.GetBounds(&b);
  EXPECT_FLOAT_EQ(b.Width, 100.0f);
  EXPECT_FLOAT_EQ(b.Height, 50.0f);
  Gdiplus::GraphicsPath round;
  AddRoundedRectPath(round, 0, 0, 100, 50, 20, kCornerTopLeft);
  // The rounded top-left corner leaves its very corner outside the figure.
  EXPECT_FALSE(round.IsVisible(1, 1));
  EXPECT_TRUE(round.IsVisible(98, 1));
  EXPECT_TRUE(round.IsVisible(1, 48));
}

TEST(VirtualList, ToolTipTextLosesShareBackslashes) {
  EXPECT_EQ(ToolTipTextForCell(L"\\\\server\\share\\"), L"server\\share");
  EXPECT_EQ(ToolTipTextForCell(L"C:\\files"), L"C:\\files");
  EXPECT_EQ(ToolTipTextForCell(L"\\\\"), L"");
  EXPECT_EQ(ToolTipTextForCell(std::wstring(300, L'a')).size(), 260u);
}

TEST(VirtualList, ButtonCentredInCell) {
  RECT r = CenteredButtonRect(RECT{100, 20, 160, 44}, SIZE{16, 16}, POINT{0, 0});
  EXPECT_TRUE(Eq(r, RECT{122, 24, 138, 40}));
  r = CenteredButtonRect(RECT{100, 20, 160, 44}, SIZE{16, 16}, POINT{2, -1});
  EXPECT_TRUE(Eq(r, RECT{124, 23, 140, 39}));
}

TEST(CustomListGeometry, RowsShownAfterScrolling) {
  std::vector<int> heights{24, 120, 24};
  auto rows = customlist::VisibleRows(heights, 30, 100);
  ASSERT_EQ(rows.size(), 1u);  // row 0 ends at -6; row 2 starts at 114
  EXPECT_EQ(rows[0].row, 1);
  EXPECT_EQ(rows[0].top, -6);
  EXPECT_EQ(rows[0].bottom, 114);
  rows = customlist::VisibleRows(heights, 0, 200);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2].top, 144);
  EXPECT_TRUE(customlist::VisibleRows({}, 0, 100).empty());
  // A row ending exactly at 0 is not drawn; one starting at the height neither.
  rows = customlist::VisibleRows(heights, 24, 120);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].row, 1);
}

TEST(CustomListGeometry, RowAtPoint) {
  std::vector<int> heights{24, 120, 24};
  EXPECT_EQ(customlist::RowAt(heights, 0, 300, POINT{10, 0}), 0);
  EXPECT_EQ(customlist::RowAt(heights, 0, 300, POINT{10, 24}), 1);
  EXPECT_EQ(customlist::RowAt(heights, 30, 300, POINT{10, 0}), 1);
  EXPECT_EQ(customlist::RowAt(heights, 0, 300, POINT{10, 170}), -1);
  EXPECT_EQ(customlist::RowAt(heights, 0, 300, POINT{300, 10}), -1);
  EXPECT_EQ(customlist::RowAt({}, 0, 300, POINT{10, 10}), -1);
}

TEST(CustomListGeometry, ScrollTargetsAndClamping) {
  EXPECT_EQ(customlist::ScrollTarget(SB_LINEDOWN, 100, 300, 0), 160);
  EXPECT_EQ(customlist::ScrollTarget(SB_LINEUP, 100, 300, 0), 40);
  EXPECT_EQ(customlist::ScrollTarget(SB_PAGEDOWN, 100, 300, 0), 400);
  EXPECT_EQ(customlist::ScrollTarget(SB_PAGEUP, 100, 300, 0), -200);
  EXPECT_EQ(customlist::ScrollTarget(SB_THUMBTRACK, 100, 300, 77), 77);
  EXPECT_EQ(customlist::ClampScroll(-200, 1000, 300), 0);
  EXPECT_EQ(customlist::ClampScroll(900, 1000, 300), 700);  // content - visible
  EXPECT_EQ(customlist::ClampScroll(50, 200, 300), 0);      // content fits
}

TEST(CustomListGeometry, WheelSteps) {
  struct Case {
    int delta;
    UINT lines;
    int expected;
  } cases[] = {
      {120, 3, -60},   // one notch, three lines: 60 pixels up
      {120, 6, -120},  // six lines: two steps
      {-120, 3, 60},   // down
      {240, 3, -120},  // two notches
      {60, 3, -60},    // half a notch: at least one step
      {120, 1, -60},   // one line: at least one step
      {120, WHEEL_PAGESCROLL, -250},
      {-120, WHEEL_PAGESCROLL, 250},
  };
  for (const Case& c : cases)
    EXPECT_EQ(customlist::WheelScrollDelta(c.delta, c.lines, 250), c.expected)
        << c.delta << " " << c.lines;
}

}  // namespace
