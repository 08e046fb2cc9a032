#include "pages/settings/SettingsLayout.h"
#include "themedata/resource.h"

#include <algorithm>
#include <initializer_list>

namespace settings_page {
namespace {

constexpr int kGap = 7;

class Placer {
 public:
  Placer(const std::map<int, SIZE>& sizes, SettingsLayout& out) : m_sizes(sizes), m_out(out) {}

  SIZE Size(int id) const {
    auto it = m_sizes.find(id);
    return it == m_sizes.end() ? SIZE{0, 0} : it->second;
  }
  RECT Place(int id, int x, int y, SIZE s) {
    RECT r{x, y, x + s.cx, y + s.cy};
    m_out.controls[id] = r;
    return r;
  }
  RECT Place(int id, int x, int y) { return Place(id, x, y, Size(id)); }

  // Controls side by side from x with the gap between them, each centred on the
  // row's height; returns the row's height.
  int Row(int x, int y, std::initializer_list<int> ids) {
    int height = 0;
    for (int id : ids) height = std::max<int>(height, Size(id).cy);
    for (int id : ids) {
      const SIZE s = Size(id);
      RECT r = Place(id, x, y + (height - s.cy) / 2);
      x = r.right + kGap;
    }
    return height;
  }

  // One scan's column of the lower box.
  void Column(const ScheduleColumnIds& c, int x, int y, int checkWidth) {
    RECT check = Place(c.check, x, y, SIZE{checkWidth, Size(c.check).cy});
    const int second = check.bottom + 14;
    const int height = Row(x, second, {c.frequencyCaption, c.frequency});
    Row(x, second + height + kGap, {c.weekdayCaption, c.weekday, c.hourCaption, c.hour});
  }

 private:
  const std::map<int, SIZE>& m_sizes;
  SettingsLayout& m_out;
};

int Width(const RECT& r) { return r.right - r.left; }

}  // namespace

SettingsLayout ComputeSettingsLayout(const RECT& client, const std::map<int, SIZE>& sizes,
                                     SIZE picture) {
  SettingsLayout l;
  Placer p(sizes, l);
  l.upperBox = RECT{client.left + 10, client.top + 80, client.right - 10, client.top + 255};
  l.lowerBox = RECT{l.upperBox.left, l.upperBox.bottom + 10, l.upperBox.right, client.bottom - 10};

  // Upper box: the response, the retention and the restore button in a column.
  const int left = l.upperBox.left + 20;
  int y = l.upperBox.top + 50;
  for (int id : {IDC_SETTINGS_RESPONSE_CAPTION, IDC_SETTINGS_RESPONSE, IDC_SETTINGS_RETENTION,
                 IDC_SETTINGS_RESTORE_PROTECTION})
    y = p.Place(id, left, y).bottom + kGap;

  // Upper box, right half: the quarantine picture and its two labels.
  const int upperHalf = Width(l.upperBox) / 2;
  l.picture = POINT{l.upperBox.left + upperHalf + 10, l.upperBox.top + 65};
  const bool hasPicture = picture.cx > 0 && picture.cy > 0;
  const int labelX = l.upperBox.left + upperHalf + (hasPicture ? picture.cx + 17 : 10);
  RECT title = p.Place(IDC_SETTINGS_QUARANTINE_TITLE, labelX, l.picture.y);
  p.Place(IDC_SETTINGS_QUARANTINE_TEXT, labelX, title.bottom + kGap);

  // Lower box: the two scans side by side.
  const int checkWidth = (Width(l.upperBox) - 60) / 2;
  const int quickX = l.lowerBox.left + 20;
  const int columnsY = l.lowerBox.top + 50;
  p.Column(kQuickColumn, quickX, columnsY, checkWidth);
  p.Column(kFullColumn, l.lowerBox.left + Width(l.lowerBox) / 2 + 10, columnsY, checkWidth);

  // Lower box, bottom line: apply and restore, and the note beside them.
  const SIZE apply = p.Size(IDC_SETTINGS_APPLY);
  RECT applyRect = p.Place(IDC_SETTINGS_APPLY, quickX, l.lowerBox.bottom - kGap - apply.cy);
  const SIZE restore = p.Size(IDC_SETTINGS_RESTORE_SCHEDULES);
  p.Place(IDC_SETTINGS_RESTORE_SCHEDULES, applyRect.right + kGap,
          l.lowerBox.bottom - kGap - restore.cy);
  const int noteWidth = (Width(l.lowerBox) - 34) / 2;
  const int noteTop = applyRect.top - apply.cy + kGap;
  l.controls[IDC_SETTINGS_SCHEDULE_NOTE] =
      RECT{quickX + noteWidth, noteTop, quickX + 2 * noteWidth, l.lowerBox.bottom - kGap};
  return l;
}

}  // namespace settings_page
