#include "pages/lists/PathListDraw.h"

#include <algorithm>
#include <string>

#include "controls/Drawing.h"
#include "pages/lists/VirtualListCtrl.h"
#include "theme/ThemeResources.h"

using namespace Gdiplus;

CPathListLook::CPathListLook() {
  m_remove[0] = LoadThemeImage(L"Images/Scan/btn_remove.png");
  m_remove[1] = LoadThemeImage(L"Images/Scan/btn_remove_over.png");
  m_remove[2] = LoadThemeImage(L"Images/Scan/btn_remove_down.png");
}

CPathListLook::~CPathListLook() = default;

SIZE CPathListLook::ButtonSize() const {
  const SIZE s = ImageSize(m_remove[0].get());
  return s.cx > 0 && s.cy > 0 ? s : SIZE{16, 16};
}

int CPathListLook::RowHeight() const { return std::max<int>(28, ButtonSize().cy + 6); }

int RemovePictureIndex(int row, int hoveredRow, int pressedRow) {
  if (row == pressedRow) return 2;
  if (row == hoveredRow) return 1;
  return 0;
}

void CPathListLook::DrawRow(const DRAWITEMSTRUCT& item, CVirtualListCtrl& list,
                            std::wstring_view text, int textColumn, int buttonColumn) {
  const int row = static_cast<int>(item.itemID);
  CThemeResources& t = Theme();
  const RECT& rc = item.rcItem;
  Graphics g(item.hDC);
  const RectF full = ToRectF(rc);
  SolidBrush bg(ToColor(t.GetColor(row % 2 == 0 ? L"general/list/bg_alt" : L"general/list/bg")));
  g.FillRectangle(&bg, full);
  Pen divider(ToColor(t.GetColor(L"general/list/divider")), 1.0f);
  g.DrawLine(&divider, full.X, full.GetBottom() - 0.5f, full.GetRight(), full.GetBottom() - 0.5f);

  // The text through GDI: it shortens a path in its middle by itself.
  g.Flush(FlushIntentionSync);
  const int textWidth = list.GetColumnWidth(textColumn);
  if (!text.empty()) {
    RECT box{rc.left + 15, rc.top, rc.left + std::max(15, textWidth), rc.bottom - 1};
    ScopedSelect font(item.hDC, t.GetFont(L"client/normal"));
    const int mode = ::SetBkMode(item.hDC, TRANSPARENT);
    const COLORREF color =
        ::SetTextColor(item.hDC, ToColorRef(t.GetColor(L"general/list/text")));
    std::wstring shown(text);
    ::DrawTextW(item.hDC, shown.data(), static_cast<int>(shown.size()), &box,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS);
    ::SetTextColor(item.hDC, color);
    ::SetBkMode(item.hDC, mode);
  }
  if (list.IsWindowEnabled()) {
    const int state = RemovePictureIndex(row, list.GetHoveredRow(), list.GetPressedRow());
    Bitmap* picture = m_remove[state] ? m_remove[state].get() : m_remove[0].get();
    const RECT button = list.ButtonRect(row, buttonColumn);
    if (picture && button.right > button.left)
      g.DrawImage(picture, static_cast<INT>(button.left), static_cast<INT>(button.top),
                  static_cast<INT>(button.right - button.left),
                  static_cast<INT>(button.bottom - button.top));
    if ((item.itemState & ODS_FOCUS) && ::GetFocus() == list.m_hWnd) {
      RECT focus = rc;
      ::InflateRect(&focus, -2, -2);
      ::DrawFocusRect(item.hDC, &focus);
    }
  }
}

void CPathListLook::DrawEmptyFrame(Graphics& g, const RECT& listRect, std::wstring_view text) {
  CThemeResources& t = Theme();
  RECT r = listRect;
  ::InflateRect(&r, 1, 1);
  const RectF frame = ToRectF(r);
  SolidBrush fill(ToColor(t.GetColor(L"general/list/bg_alt")));
  g.FillRectangle(&fill, frame);
  Pen border(ToColor(t.GetColor(L"general/list/border")), 1.0f);
  g.DrawRectangle(&border, frame.X, frame.Y, frame.Width - 1, frame.Height - 1);
  if (!m_emptyFont) {
    UniqueFont font = CreateThemeFont(true, 12, false, false);
    m_emptyFont = MakeGdiplusFont(font.get());
  }
  if (m_emptyFont && !text.empty()) {
    SolidBrush brush(ToColor(t.GetColor(L"general/list/empty_text")));
    DrawThemedText(0, *m_emptyFont, g, frame, text, brush, StringAlignmentCenter,
                   StringAlignmentCenter);
  }
}
