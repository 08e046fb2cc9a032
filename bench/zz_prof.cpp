#include <windows.h>
#include <gdiplus.h>
#include <cstdio>
#include "theme/ThemeResources.h"
#include "support/shipped_theme.h"
#include "support/Capture.h"
#include "controls/Drawing.h"
#include "controls/MemDC.h"
#include "controls/ThemeLabel.h"
#include "framework/Gdi.h"
using namespace Gdiplus;
static double Now(){LARGE_INTEGER f,c;QueryPerformanceFrequency(&f);QueryPerformanceCounter(&c);return c.QuadPart*1000.0/f.QuadPart;}
int wmain(){
  LoadShippedTheme();
  testsupport::Pixels px(525, 24);
  UniqueFont hf = CreateThemeFont(false,-1,false,false);
  auto f = MakeGdiplusFont(hf.get());
  SolidBrush b(Color(255,0,0,200));
  StringFormat fmt; fmt.SetTrimming(StringTrimmingEllipsisCharacter);
  CMemDCPerm parent; parent.Begin(800,600);
  double t=Now();
  for(int i=0;i<20;i++){ CMemDC2 m(px.dc(), RECT{0,0,525,24}, &parent, POINT{10,10}); }
  printf("memdc2 %.2f ms\n", (Now()-t)/20);
  t=Now();
  for(int i=0;i<20;i++){ Graphics g(px.dc()); g.SetSmoothingMode(SmoothingModeAntiAlias); g.SetPixelOffsetMode(PixelOffsetModeHighQuality); g.SetTextRenderingHint(TextRenderingHintAntiAlias);
    DrawFittedString(g, *f, L"Scanning your computer", RectF(0,0,525,24), fmt, b);} 
  printf("fitted %.2f ms\n", (Now()-t)/20);
  t=Now();
  for(int i=0;i<20;i++){ Graphics g(px.dc()); RectF bounds; INT a,c; g.MeasureString(L"Scanning your computer", -1, f.get(), RectF(0,0,525,24), &fmt, &bounds, &a, &c);} 
  printf("measure %.2f ms\n", (Now()-t)/20);
  CWnd host; host.Create(nullptr, L"", WS_POPUP, RECT{0,0,600,100}, nullptr, 0);
  CThemeLabel label; label.Create(L"Scanning your computer", WS_CHILD|WS_VISIBLE, RECT{0,0,525,24}, host.m_hWnd, 1);
  t=Now();
  for(int i=0;i<20;i++){ label.PaintTo(px.dc()); }
  printf("label paint %.2f ms\n", (Now()-t)/20);
  t=Now();
  for(int i=0;i<20;i++){ SendMessageW(label.m_hWnd, WM_PRINTCLIENT, (WPARAM)px.dc(), PRF_CLIENT); }
  printf("label printclient %.2f ms\n", (Now()-t)/20);
  return 0;
}
