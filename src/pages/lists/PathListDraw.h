// The look of the lists of paths (the scan page's folder list, the ignore
// list): rows of a CVirtualListCtrl with a text column and a remove-button
// column, and the empty frame a page paints in the list's place while the list
// has no rows.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <memory>
#include <string_view>

class CVirtualListCtrl;

class CPathListLook {
 public:
  // Loads the remove button's pictures: "Images/Scan/btn_remove.png" and its
  // "_over" and "_down" forms.
  CPathListLook();
  ~CPathListLook();
  CPathListLook(const CPathListLook&) = delete;
  CPathListLook& operator=(const CPathListLook&) = delete;

  // The size of the remove picture ({16, 16} when it is missing).
  SIZE ButtonSize() const;
  // A row's height: the picture's height and 6, at least 28.
  int RowHeight() const;

  // Paints one owner-drawn row: background "general/list/bg_alt" for even rows
  // and "general/list/bg" for odd ones, a divider along the bottom, the text in
  // "client/normal" and "general/list/text" 15 pixels in, shortened in the
  // middle of the path when too long, and, while the list is enabled, the
  // remove picture of the row's state (pressed, hover, normal) and a focus frame
  // on the keyboard's row.
  void DrawRow(const DRAWITEMSTRUCT& item, CVirtualListCtrl& list, std::wstring_view text,
               int textColumn, int buttonColumn);

  // The frame a page paints in place of an empty list: the list's rectangle
  // grown by one pixel, filled with "general/list/bg_alt", outlined in
  // "general/list/border", the text centred in "general/list/empty_text" and a
  // bold 12-point message font.
  void DrawEmptyFrame(Gdiplus::Graphics& g, const RECT& listRect, std::wstring_view text);

 private:
  std::unique_ptr<Gdiplus::Bitmap> m_remove[3];  // normal, hover, pressed
  std::unique_ptr<Gdiplus::Font> m_emptyFont;
};

// Which remove picture a row shows: 2 pressed, 1 hovered, 0 normal.
int RemovePictureIndex(int row, int hoveredRow, int pressedRow);
