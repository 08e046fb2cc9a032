// A themed page made from a dialog template of the shipped res.dll, with its
// template controls taken over by the themed control classes.
#include <windows.h>

#include <gtest/gtest.h>

#include "controls/BaseDlg.h"
#include "controls/RoundProgressCtrl.h"
#include "controls/ThemeLabel.h"
#include "controls/TransButton.h"
#include "fixture.h"

namespace ctl {
namespace {

class ResourceLibrary {
 public:
  ResourceLibrary()
      : m(::LoadLibraryExW(testsupport::ExeFolderPath(L"res.dll").c_str(), nullptr,
                           LOAD_LIBRARY_AS_DATAFILE)) {}
  ~ResourceLibrary() {
    if (m) ::FreeLibrary(m);
  }
  HMODULE m;
};

// The scanning page's template: labels and the progress bar 1001.
class ScanningLikePage : public CBaseDlg {
 public:
  explicit ScanningLikePage(HMODULE res) : CBaseDlg(311, res) { SetBackgroundImage(nullptr); }
  CThemeLabel title;
  CRoundProgressCtrl progress{L"", L""};
  bool inited = false;

 protected:
  BOOL OnInitDialog() override {
    inited = true;
    title.SubclassDlgItem(1006, m_hWnd);
    progress.SubclassDlgItem(1001, m_hWnd);
    return FALSE;
  }
};

TEST(TemplatePage, CreatedFromResourceLibraryTemplate) {
  EnsureFixtureTheme();
  ResourceLibrary res;
  ASSERT_NE(res.m, nullptr);
  CWnd host;
  ASSERT_TRUE(host.Create(nullptr, L"", WS_POPUP, RECT{0, 0, 800, 600}, nullptr, 0));
  ScanningLikePage page(res.m);
  ASSERT_TRUE(page.Create(host.m_hWnd));
  EXPECT_TRUE(page.inited);
  EXPECT_EQ(page.GetParent(), host.m_hWnd);
  EXPECT_TRUE(page.GetStyle() & WS_CHILD);
  // Template controls are taken over with their template text.
  EXPECT_EQ(page.title.m_text, L"Scanning your computer");
  ASSERT_NE(page.progress.m_hWnd, nullptr);
  // The page paints its themed background; the bar paints over it.
  page.MoveWindow(RECT{0, 0, 600, 400});
  auto px = testsupport::PrintClient(page.m_hWnd);
  EXPECT_EQ(px->at(300, 380), kClientBg);
  page.progress.SetRange32(0, 100);
  page.progress.SetPos(100);
  auto bar = testsupport::PrintClient(page.progress.m_hWnd);
  RECT rc = page.progress.GetClientRect();
  EXPECT_EQ(bar->at(rc.right / 2, rc.bottom / 2), kProgressBar);
  // Enter and Escape leave the page alone.
  ::SendMessageW(page.m_hWnd, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(::IsWindow(page.m_hWnd));
}

TEST(TemplatePage, ScanChoiceRadioButtonsTakenOverKeepTheirGroup) {
  EnsureFixtureTheme();
  ResourceLibrary res;
  ASSERT_NE(res.m, nullptr);
  CWnd host;
  ASSERT_TRUE(host.Create(nullptr, L"", WS_POPUP, RECT{0, 0, 800, 600}, nullptr, 0));
  struct ScanChoice : CBaseDlg {
    explicit ScanChoice(HMODULE r) : CBaseDlg(310, r) {}
    CTransButton quick, full, custom;
    BOOL OnInitDialog() override {
      quick.SubclassDlgItem(1058, m_hWnd);
      full.SubclassDlgItem(1059, m_hWnd);
      custom.SubclassDlgItem(1060, m_hWnd);
      return FALSE;
    }
  } page(res.m);
  ASSERT_TRUE(page.Create(host.m_hWnd));
  EXPECT_EQ(page.quick.GetKind(), CTransButton::kRadio);
  EXPECT_TRUE(page.quick.IsAuto());
  ::SendMessageW(page.full.m_hWnd, BM_CLICK, 0, 0);
  EXPECT_EQ(page.full.GetCheck(), BST_CHECKED);
  ::SendMessageW(page.custom.m_hWnd, BM_CLICK, 0, 0);
  EXPECT_EQ(page.custom.GetCheck(), BST_CHECKED);
  EXPECT_EQ(page.full.GetCheck(), BST_UNCHECKED);
  EXPECT_EQ(page.quick.GetCheck(), BST_UNCHECKED);
}

TEST(TemplatePage, MissingTemplateCreatesNothing) {
  ResourceLibrary res;
  CBaseDlg page(9999, res.m);
  EXPECT_FALSE(page.Create(nullptr));
  EXPECT_EQ(page.m_hWnd, nullptr);
}

}  // namespace
}  // namespace ctl
