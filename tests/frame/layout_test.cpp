#include <windows.h>

#include <gtest/gtest.h>

#include "alerts/AlertRules.h"
#include "alerts/LightBoxLayout.h"
#include "app/CloseRules.h"
#include "app/FrameLayout.h"

namespace fl = frame_layout;

static void ExpectRect(const RECT& r, LONG l, LONG t, LONG rt, LONG b) {
  EXPECT_EQ(l, r.left);
  EXPECT_EQ(t, r.top);
  EXPECT_EQ(rt, r.right);
  EXPECT_EQ(b, r.bottom);
}

TEST(FrameLayout, PageAreaAndPageRectFor800x600) {
  ExpectRect(fl::PageArea(800, 600), 143, 90, 796, 596);
  ExpectRect(fl::PageRect(800, 600), 147, 94, 792, 592);
  ExpectRect(fl::PageRect(1024, 700), 147, 94, 1016, 692);
}

TEST(FrameLayout, TabsAre40HighAnd50Apart) {
  ExpectRect(fl::TabRect(0), 0, 115, 142, 155);
  ExpectRect(fl::TabRect(4), 0, 315, 142, 355);
  EXPECT_EQ(0, fl::TabAt({10, 115}, 5));
  EXPECT_EQ(-1, fl::TabAt({10, 160}, 5));  // the gap between tab 0 and tab 1
  EXPECT_EQ(1, fl::TabAt({141, 165}, 5));
  EXPECT_EQ(-1, fl::TabAt({142, 165}, 5));  // right of the strip
  EXPECT_EQ(-1, fl::TabAt({10, 320}, 4));   // only four tabs exist
}

TEST(FrameLayout, FrameButtonsFromTheRightEdge) {
  ExpectRect(fl::FrameButtonRect(800, 0), 745, 30, 810, 57);
  ExpectRect(fl::FrameButtonRect(800, 1), 680, 30, 745, 57);
  ExpectRect(fl::FrameButtonArea(800, 2), 680, 30, 810, 57);
  EXPECT_EQ(1, fl::FrameButtonAt({700, 40}, 800, 2));
  EXPECT_EQ(0, fl::FrameButtonAt({799, 56}, 800, 2));
  EXPECT_EQ(-1, fl::FrameButtonAt({700, 57}, 800, 2));
}

TEST(FrameLayout, CaptionGroupSplitInThree) {
  const SIZE def = fl::kDefaultCaptionGroup;  // close_bg.png missing: 121 x 19
  ExpectRect(fl::CaptionGroupRect(800, def), 675, 0, 800, 19);
  ExpectRect(fl::CaptionPartRect(800, def, fl::CaptionPart::Minimize), 675, 0, 716, 19);
  ExpectRect(fl::CaptionPartRect(800, def, fl::CaptionPart::Maximize), 716, 0, 758, 19);
  ExpectRect(fl::CaptionPartRect(800, def, fl::CaptionPart::Close), 758, 0, 800, 19);
  // An image of another size moves the group.
  ExpectRect(fl::CaptionGroupRect(1000, SIZE{86, 24}), 910, 0, 1000, 24);
}

TEST(FrameLayout, HitTesting) {
  const SIZE g = fl::kDefaultCaptionGroup;
  struct Case {
    POINT pt;
    std::optional<LRESULT> expected;
  } cases[] = {
      {{790, 5}, HTCLOSE},       {{730, 5}, HTMAXBUTTON},    {{680, 5}, HTMINBUTTON},
      {{300, 40}, HTCAPTION},    {{300, 89}, HTCAPTION},     {{300, 90}, std::nullopt},
      {{1, 40}, std::nullopt},   {{300, 1}, std::nullopt},   {{700, 40}, std::nullopt},
      {{661, 40}, std::nullopt},  // within 20 pixels of the frame buttons
      {{659, 40}, HTCAPTION},    {{400, 300}, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.pt.x << "," << c.pt.y);
    EXPECT_EQ(c.expected, fl::HitTest(c.pt, 800, g, 2));
  }
}

TEST(FrameLayout, PlacementDefaultsAreCentredAndNeverNegative) {
  const auto p = fl::DefaultPlacement(1280, 1024);
  EXPECT_EQ(240, p.x);
  EXPECT_EQ(212, p.y);
  EXPECT_EQ(800, p.width);
  EXPECT_EQ(600, p.height);
  const auto small = fl::DefaultPlacement(640, 480);
  EXPECT_EQ(0, small.x);
  EXPECT_EQ(0, small.y);
  const auto clamped = fl::ClampPlacement({-20, -5, 900, 700});
  EXPECT_EQ(0, clamped.x);
  EXPECT_EQ(0, clamped.y);
  EXPECT_EQ(900, clamped.width);
}

TEST(LightBoxLayout, CoversParentAndCentresBoxFor800x600) {
  const RECT parentClient{100, 50, 900, 650};  // 800 x 600 on screen
  const RECT cover = lightbox_layout::CoverRect(parentClient);
  ExpectRect(cover, 103, 53, 897, 647);  // 794 x 594 at (3, 3)
  const auto box = lightbox_layout::BoxRect(794, 594, 510, 360);
  EXPECT_EQ(142.f, box.x);
  EXPECT_EQ(117.f, box.y);
  const auto small = lightbox_layout::BoxRect(794, 594, 400, 200);
  EXPECT_EQ(197.f, small.x);
  EXPECT_EQ(197.f, small.y);
  // Close button: 16 x 16, 5 pixels in from the box's right edge, centred in the top bar.
  ExpectRect(lightbox_layout::CloseButtonRect(box, 30, 16), 631, 124, 647, 140);
  // Odd sizes round each half toward zero.
  const auto odd = lightbox_layout::BoxRect(795, 595, 511, 361);
  EXPECT_EQ(397.f - 255.f, odd.x);
  EXPECT_EQ(297.f - 180.f, odd.y);
}

TEST(AlertRules, BalloonForEachResponse) {
  struct Case {
    int response;
    bool shown;
    unsigned text;
    int kind;
  } cases[] = {{5, true, 189, 2}, {3, true, 190, 3}, {1, true, 191, 4},
               {0, false, 0, 0},  {6, false, 0, 0},  {-1, false, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.response);
    const auto b = alerts::BalloonForResponse(c.response);
    ASSERT_EQ(c.shown, b.has_value());
    if (!b) continue;
    EXPECT_EQ(182u, b->titleId);
    EXPECT_EQ(c.text, b->textId);
    EXPECT_EQ(c.kind, b->kind);
  }
  EXPECT_EQ(alerts::BalloonClickAction::OpenQuarantine, alerts::ActionForBalloonClick(2));
  EXPECT_EQ(alerts::BalloonClickAction::QuickScan, alerts::ActionForBalloonClick(3));
  EXPECT_EQ(alerts::BalloonClickAction::QuickScan, alerts::ActionForBalloonClick(4));
  EXPECT_EQ(alerts::BalloonClickAction::None, alerts::ActionForBalloonClick(0));
}

TEST(CloseRules, DecisionTable) {
  using close_rules::DecideClose;
  // Plain close: the profile value decides between asking and hiding.
  auto ask = DecideClose({false, false, false, false, 1});
  EXPECT_TRUE(ask.askFirst);
  EXPECT_FALSE(ask.destroy || ask.hide);
  auto hide = DecideClose({false, true, false, false, 0});
  EXPECT_TRUE(hide.hide);
  EXPECT_FALSE(hide.destroy || hide.askFirst || hide.stopScan);
  // The exit item closes even with ShowCloseDlg 1, without stopping a scan.
  auto exit = DecideClose({false, true, true, false, 1});
  EXPECT_TRUE(exit.destroy && exit.clearExitRequested);
  EXPECT_FALSE(exit.stopScan || exit.askFirst);
  // Shutdown: the popup goes first, then the window; a running scan is stopped once.
  auto popup = DecideClose({true, true, false, true, 1});
  EXPECT_TRUE(popup.endLightBoxAndRetry);
  EXPECT_FALSE(popup.destroy || popup.stopScan);
  auto forced = DecideClose({true, true, false, false, 1});
  EXPECT_TRUE(forced.destroy && forced.stopScan);
  auto idle = DecideClose({true, false, false, false, 0});
  EXPECT_TRUE(idle.destroy);
  EXPECT_FALSE(idle.stopScan || idle.hide);
}
