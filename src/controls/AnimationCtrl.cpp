#include "controls/AnimationCtrl.h"

#include "controls/Drawing.h"
#include "controls/MemDC.h"
#include "controls/TransparentParent.h"
#include "framework/Gdi.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

using namespace Gdiplus;

std::wstring AnimationFramePath(const std::wstring& prefix, int n, const std::wstring& extension) {
  return prefix + std::to_wstring(n) + L"." + extension;
}

int NextAnimationStep(int step, int count) {
  ++step;
  return step >= count ? 0 : step;
}

POINT CenteredFrameOrigin(SIZE client, SIZE frame) {
  return POINT{(client.cx - frame.cx) / 2, (client.cy - frame.cy) / 2};
}

CAnimationCtrl::CAnimationCtrl() = default;
CAnimationCtrl::~CAnimationCtrl() {
  // The frames go with the object: stop drawing them first.
  if (m_hWnd) DestroyWindow();
}

bool CAnimationCtrl::Create(HWND parent, UINT id) {
  return CWnd::Create(nullptr, L"AnimCtrl", WS_CHILD | WS_VISIBLE, RECT{0, 0, 0, 0}, parent, id);
}

void CAnimationCtrl::LoadFrames(const std::wstring& prefix, int first, int last,
                                const std::wstring& extension) {
  // The current frame points into the old list, which goes now: show none until
  // StartAnimation picks a frame of the new list.
  m_current = nullptr;
  m_frames.clear();
  for (int n = first; n <= last; ++n) {
    if (auto image = LoadThemeImage(AnimationFramePath(prefix, n, extension)))
      m_frames.push_back(std::move(image));
  }
}

void CAnimationCtrl::StartAnimation() {
  if (m_frames.empty()) return;
  if (m_hWnd) SetTimer(IDT_ANIMATION, kAnimationPeriodMs);
  m_current = m_frames.front().get();
  if (m_hWnd) Invalidate(TRUE);
}

void CAnimationCtrl::Step() {
  if (m_frames.empty()) return;
  m_step = NextAnimationStep(m_step, static_cast<int>(m_frames.size()));
  m_current = m_frames[static_cast<size_t>(m_step)].get();
  if (m_hWnd) Invalidate(TRUE);
}

int CAnimationCtrl::CurrentFrameIndex() const {
  for (size_t i = 0; i < m_frames.size(); ++i)
    if (m_frames[i].get() == m_current) return static_cast<int>(i);
  return -1;
}

void CAnimationCtrl::OnTimer(UINT_PTR id) {
  if (id == IDT_ANIMATION) Step();
  Default();
}

void CAnimationCtrl::PaintTo(HDC dc) {
  RECT rc = GetClientRect();
  RECT inParent = GetRectInParent();
  const ThemeColor bg = Theme().GetColor(L"general/animation/bg");
  CMemDC2 mem(dc, rc, ParentSurfaceOf(m_hWnd), POINT{inParent.left, inParent.top}, ToColorRef(bg),
              &m_scratch);
  if (!m_current) return;
  CSurfaceGraphics sg(mem);
  Graphics& g = sg;
  SolidBrush fill(ToColor(bg));
  g.FillRectangle(&fill, ToRectF(rc));
  SIZE frame = ImageSize(m_current);
  POINT at = CenteredFrameOrigin(SIZE{rc.right - rc.left, rc.bottom - rc.top}, frame);
  g.DrawImage(m_current, static_cast<INT>(at.x), static_cast<INT>(at.y), static_cast<INT>(frame.cx),
              static_cast<INT>(frame.cy));
}

void CAnimationCtrl::OnPaint() {
  fw::PaintDC pdc(m_hWnd);
  PaintTo(pdc.dc());
}

void CAnimationCtrl::OnPrintClient(HDC dc, UINT) { PaintTo(dc); }

BOOL CAnimationCtrl::OnEraseBkgnd(HDC) { return TRUE; }
