#pragma once
// Geometry of the main window: header, tab strip, frame buttons, caption
// buttons, page area, hit testing and placement. Pure functions of the
// client size so they can be checked without a window.
#include <windows.h>

#include <optional>

namespace frame_layout {

inline constexpr int kHeaderHeight = 90;
inline constexpr int kTabStripWidth = 142;
inline constexpr int kFirstTabTop = 115;
inline constexpr int kTabHeight = 40;
inline constexpr int kTabPitch = 50;
inline constexpr int kFrameButtonWidth = 65;
inline constexpr int kFrameButtonTop = 30;
inline constexpr int kFrameButtonBottom = 57;
inline constexpr int kPageInset = 4;
inline constexpr SIZE kDefaultCaptionGroup{121, 19};
inline constexpr SIZE kMinTrackSize{800, 580};
inline constexpr SIZE kDefaultWindowSize{800, 600};

// The area reserved for pages: right of the tab strip, below the header.
RECT PageArea(int clientWidth, int clientHeight);
// Where a page window goes: the page area reduced by 4 pixels on each side.
RECT PageRect(int clientWidth, int clientHeight);
// Tab k of the vertical strip.
RECT TabRect(int index);
// The n-th frame button counted from the right edge (0 = rightmost).
RECT FrameButtonRect(int clientWidth, int indexFromRight);
// The union of the first count frame buttons (empty for count 0).
RECT FrameButtonArea(int clientWidth, int count);

enum class CaptionPart { Minimize = 0, Maximize = 1, Close = 2 };
// The caption group at the top right; groupSize is the size of close_bg.png
// (or kDefaultCaptionGroup when the image is missing).
RECT CaptionGroupRect(int clientWidth, SIZE groupSize);
RECT CaptionPartRect(int clientWidth, SIZE groupSize, CaptionPart part);

// WM_NCHITTEST for a point in client coordinates. Returns HTCLOSE,
// HTMAXBUTTON, HTMINBUTTON, HTCAPTION, or nullopt for "let the default decide".
std::optional<LRESULT> HitTest(POINT client, int clientWidth, SIZE groupSize, int frameButtonCount);

// Index of the tab under the point, or -1.
int TabAt(POINT client, int tabCount);
// Index (in frame-button order, 0 = rightmost) of the frame button under the point, or -1.
int FrameButtonAt(POINT client, int clientWidth, int buttonCount);

struct Placement {
  int x, y, width, height;
};
// The default placement on a screen of the given size: centred 800 x 600.
Placement DefaultPlacement(int screenWidth, int screenHeight);
// A stored or default placement made usable: negative positions become 0.
Placement ClampPlacement(Placement p);

}  // namespace frame_layout
