#include "fixture.h"

#include <fstream>

namespace ctl {

namespace {

const char kThemeXml[] = R"(<?xml version="1.0" encoding="utf-8"?>
<ui>
  <strings><app_name>Test</app_name></strings>
  <integers/>
  <colors>
    <client><body_text r="250" g="250" b="250"/><client_bg r="10" g="20" b="30" a="0"/></client>
    <general>
      <header><blue_top r="0" g="0" b="200"/><blue_bottom r="0" g="0" b="100"/></header>
      <label><border_color r="255" g="255" b="0"/></label>
      <progress><bg r="200" g="200" b="200"/><bar r="0" g="160" b="0"/><prog_border r="0" g="90" b="0"/></progress>
      <animation><bg r="40" g="40" b="90"/></animation>
      <checkbox><bg r="255" g="255" b="255" a="10"/><border r="0" g="0" b="0"/><check r="255" g="0" b="0"/><text r="0" g="0" b="0"/></checkbox>
      <radio><bg r="255" g="255" b="255"/><border r="0" g="0" b="0"/><check r="255" g="0" b="0"/><text r="0" g="0" b="0"/></radio>
      <container><bg_top r="90" g="90" b="90"/><bg_bottom r="60" g="60" b="60"/><border r="20" g="20" b="20"/><divider r="120" g="120" b="120"/><text r="255" g="255" b="255"/></container>
    </general>
  </colors>
  <fonts>
    <client><title_bold size="14" bold="1"/><subtitle size="9"/><large_bold size="11" bold="1"/><normal size="9"/></client>
  </fonts>
</ui>
)";

}  // namespace

void EnsureFixtureTheme() {
  static bool done = false;
  if (done) return;
  done = true;
  auto png = [](const std::wstring& name, int w, int h, std::uint32_t rgb) {
    ASSERT_TRUE(testsupport::WriteSolidPng(testsupport::ExeFolderPath(kImages + name), w, h,
                                           0xFF000000u | rgb));
  };
  png(L"normal.png", 40, 20, kNormal);
  png(L"hover.png", 40, 20, kHover);
  png(L"pressed.png", 40, 20, kPressed);
  png(L"disabled.png", 40, 20, kDisabled);
  png(L"header.png", 40, 30, testsupport::Rgb(255, 128, 0));
  png(L"glow.png", 30, 16, testsupport::Rgb(255, 255, 0));
  for (int n = 1; n <= 12; ++n)
    if (n != 5) png(L"anim/" + std::to_wstring(n) + L".png", 10 + n, 10, testsupport::Rgb(n, n, n));
  // The theme document beside the images (their folder exists now).
  std::wstring xml = testsupport::ExeFolderPath(kImages + L"ui.xml");
  {
    std::ofstream f(xml.c_str(), std::ios::binary);
    f << kThemeXml;
  }
  ASSERT_TRUE(Theme().Load(xml, nullptr));
}

bool TestPage::CreatePage(int width, int height) {
  if (!CreateIndirect(m_template.get(), nullptr)) return false;
  RECT rc{0, 0, width, height};
  ::AdjustWindowRectEx(&rc, static_cast<DWORD>(GetStyle()), FALSE, 0);
  ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
  return true;
}

void TestPage::DrawContent(Gdiplus::Graphics& g) {
  if (patch.right > patch.left) {
    Gdiplus::SolidBrush b(Gdiplus::Color(0xFF000000u | patchColor));
    g.FillRectangle(&b, static_cast<INT>(patch.left), static_cast<INT>(patch.top),
                    static_cast<INT>(patch.right - patch.left),
                    static_cast<INT>(patch.bottom - patch.top));
  }
}

}  // namespace ctl
