#include "controls/RoundProgressCtrl.h"

#include "controls/Drawing.h"
#include "controls/MemDC.h"
#include "controls/TransparentParent.h"
#include "framework/Gdi.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

using namespace Gdiplus;

float ProgressBarWidth(int position, int lower, int upper, int width) {
  int range = upper - lower;
  if (range == 0) range = 100;
  return static_cast<float>(position) * (static_cast<float>(width) / static_cast<float>(range));
}

int NextGlowPosition(int position, DWORD lastTick, DWORD now, int clientWidth, int glowWidth) {
  DWORD elapsed = now - lastTick;
  position += static_cast<int>((elapsed * 5u) / 10u);
  if (position > clientWidth) position = -glowWidth;
  return position;
}

CRoundProgressCtrl::CRoundProgressCtrl(const std::wstring& barPicture,
                                       const std::wstring& glowPicture)
    : m_bar(LoadThemeImage(barPicture)), m_glow(LoadThemeImage(glowPicture)) {
  m_glowPos = m_glow ? -static_cast<int>(m_glow->GetWidth()) : 0;
}

CRoundProgressCtrl::~CRoundProgressCtrl() = default;

void CRoundProgressCtrl::SetGlowMode(bool on) {
  m_glowMode = on;
  if (!m_hWnd) return;
  if (on)
    SetTimer(IDT_GLOW, kGlowPeriodMs);
  else
    KillTimer(IDT_GLOW);
}

void CRoundProgressCtrl::StepGlow(DWORD now) {
  RECT rc = GetClientRect();
  m_glowPos = NextGlowPosition(m_glowPos, m_lastTick, now, rc.right - rc.left,
                               m_glow ? static_cast<int>(m_glow->GetWidth()) : 0);
  m_lastTick = now;
}

void CRoundProgressCtrl::OnTimer(UINT_PTR id) {
  if (id == IDT_GLOW) {
    StepGlow(::GetTickCount());
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
  Default();
}

void CRoundProgressCtrl::OnShowWindow(BOOL show, UINT status) {
  CProgressCtrl::OnShowWindow(show, status);
  if (!m_glowMode) return;
  if (show)
    SetTimer(IDT_GLOW, kGlowPeriodMs);
  else
    KillTimer(IDT_GLOW);
}

void CRoundProgressCtrl::PaintTo(HDC dc) {
  RECT rc = GetClientRect();
  RECT inParent = GetRectInParent();
  CMemDC2 mem(dc, rc, ParentSurfaceOf(m_hWnd), POINT{inParent.left, inParent.top},
              RGB(255, 255, 255), &m_scratch);
  CSurfaceGraphics sg(mem);
  Graphics& g = sg;
  g.SetSmoothingMode(SmoothingModeAntiAlias);
  const REAL x = 0, y = 0, w = static_cast<REAL>(rc.right - rc.left),
             h = static_cast<REAL>(rc.bottom - rc.top);
  const RectF client(x, y, w, h);

  GraphicsPath track, tallTrack;
  AddRoundedRectPathArcBox(track, x, y, w, h, h, h - 1, kCornerAll);
  AddRoundedRectPathArcBox(tallTrack, x, y, w, h + 1, h + 1, h, kCornerAll);

  const ThemeColor bg = Theme().GetColor(L"general/progress/bg");
  Pen trackPen(ToColor(bg), 1.0f);
  g.SetClip(&track);
  SolidBrush bgBrush(ToColor(bg));
  g.FillRectangle(&bgBrush, client);

  if (m_glowMode) {
    if (m_glow)
      g.DrawImage(m_glow.get(), m_glowPos, 0, static_cast<INT>(m_glow->GetWidth()),
                  static_cast<INT>(m_glow->GetHeight()));
    g.SetClip(client);
    g.DrawPath(&trackPen, &track);
    return;
  }

  int lower = 0, upper = 0;
  GetRange(lower, upper);
  const REAL barWidth = ProgressBarWidth(GetPos(), lower, upper, static_cast<int>(w));
  GraphicsPath bar, wideBar;
  AddRoundedRectPathArcBox(bar, x, y, barWidth, h, h, h - 1, kCornerAll);
  AddRoundedRectPathArcBox(wideBar, x - 2, y, barWidth + 4, h + 1, h, h - 1, kCornerAll);

  Region barClip(&track);
  barClip.Intersect(&bar);
  g.SetClip(&barClip);
  if (m_bar) {
    TextureBrush texture(m_bar.get(), WrapModeTile);
    g.FillRectangle(&texture, client);
  } else {
    SolidBrush solid(ToColor(Theme().GetColor(L"general/progress/bar")));
    g.FillRectangle(&solid, client);
  }
  g.SetClip(client);
  g.DrawPath(&trackPen, &track);

  Region borderClip(&tallTrack);
  borderClip.Intersect(&wideBar);
  g.SetClip(&borderClip);
  Pen border(ToColor(Theme().GetColor(L"general/progress/prog_border")), 1.0f);
  g.DrawPath(&border, &bar);
}

void CRoundProgressCtrl::OnPaint() {
  fw::PaintDC pdc(m_hWnd);
  PaintTo(pdc.dc());
}

void CRoundProgressCtrl::OnPrintClient(HDC dc, UINT) { PaintTo(dc); }

BOOL CRoundProgressCtrl::OnEraseBkgnd(HDC) { return TRUE; }
