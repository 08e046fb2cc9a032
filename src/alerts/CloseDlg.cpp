#include "alerts/CloseDlg.h"

#include "app/Settings.h"
#include "framework/WinAppEx.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

namespace {

constexpr int kMargin = 24;

float DrawParagraph(Gdiplus::Graphics& g, HDC dc, HFONT font, const std::wstring& text,
                    ThemeColor color, float x, float y, float width) {
  if (!font || text.empty()) return y;
  Gdiplus::Font f(dc, font);
  Gdiplus::StringFormat fmt;
  Gdiplus::RectF bounds;
  g.MeasureString(text.c_str(), static_cast<int>(text.size()), &f,
                  Gdiplus::RectF(x, y, width, 1000.f), &fmt, &bounds);
  Gdiplus::SolidBrush brush{Gdiplus::Color(color)};
  g.DrawString(text.c_str(), static_cast<int>(text.size()), &f,
               Gdiplus::RectF(x, y, width, bounds.Height + 2.f), &fmt, &brush);
  return y + bounds.Height;
}

}  // namespace

CCloseDlg::CCloseDlg(HINSTANCE resourceModule) : CLightBoxWnd(IDD_CLOSE, resourceModule) {
  SetBoxSize(510, 360);
  for (int i = 0; i < 4; ++i) m_texts[i] = Theme().LoadResString(IDS_CLOSE_TITLE + i);
  m_info = LoadThemeImage(L"images/Popups/info.png");
  m_taskbar = LoadThemeImage(L"images/Popups/taskbar.png");
}

CCloseDlg::~CCloseDlg() = default;

BOOL CCloseDlg::OnInitDialog() {
  CLightBoxWnd::OnInitDialog();
  CThemeResources& t = Theme();
  for (CSolidButton* b : {&m_ok, &m_cancel}) {
    b->m_textColor = t.GetColor(L"general/button/text");
    b->m_normalFill = t.GetColor(L"general/button/start");
    b->m_hoverFill = t.GetColor(L"general/button/over_start");
    b->m_pressedFill = t.GetColor(L"general/button/end");
  }
  m_ok.SubclassDlgItem(IDOK, m_hWnd);
  m_cancel.SubclassDlgItem(IDCANCEL, m_hWnd);
  m_dontShow.SubclassDlgItem(IDC_CLOSE_DONT_SHOW, m_hWnd);
  if (m_dontShow.m_hWnd) m_dontShow.SetCheck(BST_UNCHECKED);
  LayoutControls();
  return TRUE;
}

void CCloseDlg::LayoutControls() {
  const auto& box = BoxRect();
  const int left = static_cast<int>(box.x) + kMargin;
  const int right = static_cast<int>(box.x + box.width) - kMargin;
  const int bottom = static_cast<int>(box.y + box.height) - 20;
  constexpr int kButtonW = 90, kButtonH = 28, kGap = 10;
  if (m_cancel.m_hWnd)
    ::SetWindowPos(m_cancel.m_hWnd, nullptr, right - kButtonW, bottom - kButtonH, kButtonW,
                   kButtonH, SWP_NOZORDER);
  if (m_ok.m_hWnd)
    ::SetWindowPos(m_ok.m_hWnd, nullptr, right - 2 * kButtonW - kGap, bottom - kButtonH, kButtonW,
                   kButtonH, SWP_NOZORDER);
  if (m_dontShow.m_hWnd)
    ::SetWindowPos(m_dontShow.m_hWnd, nullptr, left, bottom - kButtonH,
                   right - left - 2 * kButtonW - 2 * kGap, kButtonH, SWP_NOZORDER);
}

void CCloseDlg::StoreChoice() {
  const bool dontShow = m_dontShow.m_hWnd && m_dontShow.GetCheck() == BST_CHECKED;
  if (CWinAppEx* app = AfxGetApp()) app->WriteProfileInt(settings::kShowCloseDlg, dontShow ? 0 : 1);
}

void CCloseDlg::OnOK() {
  StoreChoice();
  EndDialog(IDOK);
}

void CCloseDlg::OnCancel() {
  StoreChoice();
  EndDialog(IDCANCEL);
}

void CCloseDlg::DrawContent(Gdiplus::Graphics& g, HDC dc) {
  CThemeResources& t = Theme();
  const auto& box = BoxRect();
  const ThemeColor text = t.GetColor(L"dialog/close/text");
  const ThemeColor divide = t.GetColor(L"dialog/close/divide");
  const float left = box.x + kMargin;
  const float width = box.width - 2 * kMargin;
  float y = box.y + 40.f;
  float textLeft = left;
  if (m_info) {
    g.DrawImage(m_info.get(), Gdiplus::Rect(static_cast<int>(left), static_cast<int>(y),
                                            static_cast<int>(m_info->GetWidth()),
                                            static_cast<int>(m_info->GetHeight())));
    textLeft = left + m_info->GetWidth() + 14.f;
  }
  const float headTop = y;
  y = DrawParagraph(g, dc, t.GetFont(L"client/title_bold"), m_texts[0], text, textLeft, y,
                    width - (textLeft - left));
  y = DrawParagraph(g, dc, t.GetFont(L"client/normal"), m_texts[1], text, textLeft, y + 4.f,
                    width - (textLeft - left));
  if (m_info) y = std::max(y, headTop + m_info->GetHeight());
  y += 12.f;
  Gdiplus::Pen line{Gdiplus::Color(divide), 1.f};
  g.DrawLine(&line, left, y, left + width, y);
  y += 12.f;
  y = DrawParagraph(g, dc, t.GetFont(L"client/normal_bold"), m_texts[2], text, left, y, width);
  y = DrawParagraph(g, dc, t.GetFont(L"client/normal"), m_texts[3], text, left, y + 4.f, width);
  y += 8.f;
  if (m_taskbar) {
    const float w = static_cast<float>(m_taskbar->GetWidth());
    g.DrawImage(m_taskbar.get(), left + (width - w) / 2.f, y, w,
                static_cast<float>(m_taskbar->GetHeight()));
    y += m_taskbar->GetHeight();
  }
  y += 10.f;
  g.DrawLine(&line, left, y, left + width, y);
  m_contentBottom = static_cast<int>(y);
}
