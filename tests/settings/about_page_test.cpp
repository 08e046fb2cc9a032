// The about page in the main frame: its texts from the theme, its two links
// through the shell and the update check through the updater bridge.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/AboutDlg.h"
#include "page_fixture.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

using namespace settings_test;

namespace {

std::wstring TextOf(HWND hwnd) {
  wchar_t text[256] = L"";
  GetWindowTextW(hwnd, text, 256);
  return text;
}

class AboutPageTest : public PageTest {
 protected:
  void OpenAbout() {
    MakeFrame();
    // The About frame button.
    frame->Send(WM_COMMAND, ID_FRAME_ABOUT, 0);
    Pump(20);
    about = frame->AboutPage();
    ASSERT_TRUE(about && about->m_hWnd);
    ASSERT_TRUE(about->IsWindowVisible());
  }
  HWND AboutItem(int id) { return GetDlgItem(about->m_hWnd, id); }
  void ClickAbout(int id) {
    SendMessageW(AboutItem(id), BM_CLICK, 0, 0);
    Pump(5);
  }

  CAboutDlg* about = nullptr;
};

}  // namespace

TEST_F(AboutPageTest, ShowsTheProductVersionAndLinksFromTheTheme) {
  OpenAbout();
  CThemeResources& t = Theme();
  ASSERT_FALSE(t.GetString(L"version").empty());
  EXPECT_EQ(t.GetString(L"app_name"), TextOf(AboutItem(IDC_ABOUT_PRODUCT)));
  EXPECT_EQ(L"Version " + t.GetString(L"version"), TextOf(AboutItem(IDC_ABOUT_VERSION)));
  EXPECT_EQ(t.GetString(L"company_web_button"), TextOf(AboutItem(IDC_ABOUT_WEB_SITE)));
  EXPECT_EQ(L"Technical support", TextOf(AboutItem(IDC_ABOUT_SUPPORT)));
  EXPECT_EQ(L"Check for updates", TextOf(AboutItem(IDC_ABOUT_CHECK_UPDATES)));
  EXPECT_TRUE(about->HasHeader());
  EXPECT_EQ(L"About", about->HeaderTitle());
  EXPECT_EQ(t.GetString(L"app_name"), about->HeaderSubtitle());
  // A refresh (the frame's status refresh) keeps one version number.
  frame->MainFrameStatusRefresh();
  about->Refresh();
  EXPECT_EQ(L"Version " + t.GetString(L"version"), TextOf(AboutItem(IDC_ABOUT_VERSION)));
  EXPECT_EQ(L"1.0.0.1", t.GetString(L"version"));
}

TEST_F(AboutPageTest, ButtonsOpenTheirAddressesAndCheckForUpdates) {
  OpenAbout();
  struct Row {
    int button;
    const wchar_t* key;
  } rows[] = {{IDC_ABOUT_WEB_SITE, L"company_url"}, {IDC_ABOUT_SUPPORT, L"urls/tech_support"}};
  for (const Row& r : rows) {
    shells.clear();
    ClickAbout(r.button);
    ASSERT_EQ(1u, shells.size()) << r.button;
    EXPECT_EQ(L"open", shells[0].verb) << r.button;
    EXPECT_EQ(Theme().GetString(r.key), shells[0].file) << r.button;
    EXPECT_EQ(0, shells[0].file.rfind(L"https://", 0)) << r.button;
  }
  EXPECT_EQ(0, frame->updaterRuns);
  ClickAbout(IDC_ABOUT_CHECK_UPDATES);
  EXPECT_EQ(1, frame->updaterRuns);
  EXPECT_EQ(1u, shells.size()) << "the update check opens no address";

  // As the tray item: not while a scan or a cleaning runs.
  frame->SetTabsEnabled(false);
  ClickAbout(IDC_ABOUT_CHECK_UPDATES);
  EXPECT_EQ(1, frame->updaterRuns);
  frame->SetTabsEnabled(true);
  frame->Send(WM_COMMAND, ID_TRAY_UPDATE, 0);
  EXPECT_EQ(2, frame->updaterRuns);
}
