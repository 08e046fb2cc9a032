// The default theme shipped in the output folder: ui.xml keys, res.dll strings, dialog
// templates, icon and menu, and the pictures under images/.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/scan/OverviewModel.h"
#include "pages/scan/ThreatRecord.h"
#include "support/shipped_theme.h"
#include "theme/TextFormat.h"
#include "themedata/resource.h"
#include "theme/ThemeResources.h"
#include "theme_fixture.h"

namespace {

const wchar_t* const kColourKeys[] = {
    L"client/body_text",
    L"client/child_frame",
    L"client/client_bg",
    L"client/tab_text",
    L"client/tab_text_active",
    L"client/upper_icon_text",
    L"client/upper_icon_text_over",
    L"dialog/close/divide",
    L"dialog/close/text",
    L"dialog/popup/alpha_bg",
    L"dialog/popup/border",
    L"dialog/popup/text",
    L"general/animation/bg",
    L"general/button/end",
    L"general/button/over_end",
    L"general/button/over_start",
    L"general/button/start",
    L"general/button/text",
    L"general/checkbox/bg",
    L"general/checkbox/border",
    L"general/checkbox/check",
    L"general/checkbox/text",
    L"general/container/bg_bottom",
    L"general/container/bg_top",
    L"general/container/border",
    L"general/container/divider",
    L"general/container/img_bg",
    L"general/container/img_border",
    L"general/container/img_text",
    L"general/container/text",
    L"general/header/blue_bottom",
    L"general/header/blue_top",
    L"general/header/green_bottom",
    L"general/header/green_top",
    L"general/header/orange_bottom",
    L"general/header/orange_top",
    L"general/header/red_bottom",
    L"general/header/red_top",
    L"general/header/title",
    L"general/label/border_color",
    L"general/lightbox/bg",
    L"general/lightbox/border",
    L"general/lightbox/shadow_bg",
    L"general/lightbox/shadow_border",
    L"general/list/bg",
    L"general/list/bg_alt",
    L"general/list/border",
    L"general/list/divider",
    L"general/list/empty_text",
    L"general/list/header/bg_end",
    L"general/list/header/bg_start",
    L"general/list/header/seperator",
    L"general/list/header/text",
    L"general/list/link",
    L"general/list/text",
    L"general/progress/bar",
    L"general/progress/bg",
    L"general/progress/prog_border",
    L"general/radio/bg",
    L"general/radio/border",
    L"general/radio/check",
    L"general/radio/text",
    L"pages/overview/bottom_bg",
    L"pages/overview/divide",
    L"pages/overview/frame",
    L"pages/overview/msg_text",
    L"pages/overview/schedule_bg",
    L"pages/overview/text",
    L"pages/overview/text_never",
    L"pages/overview/top_bg_end",
    L"pages/overview/top_bg_start",
    L"pages/quarantine/count",
    L"pages/scan/clean_drop/alpha_bg",
    L"pages/scan/clean_drop/bg",
    L"pages/scan/clean_drop/bg_bottom",
    L"pages/scan/clean_drop/bg_top",
    L"pages/scan/clean_drop/border",
    L"pages/scan/clean_drop/disable",
    L"pages/scan/clean_drop/down",
    L"pages/scan/clean_drop/hover",
    L"pages/scan/clean_drop/text",
    L"pages/scan/count",
    L"pages/scan/list_border",
    L"pages/settings/subtext",
    L"pages/settings/underline",
    L"pages/title",
};

const wchar_t* const kFontKeys[] = {
    L"client/button",      L"client/header",       L"client/large_bold",
    L"client/normal",      L"client/normal_bold",  L"client/subtitle",
    L"client/tab",         L"client/title",        L"client/title_bold",
    L"pages/overview/msg", L"pages/overview/stat", L"pages/overview/stat_bold",
    L"wizard/page_title",
};

const wchar_t* const kStringKeys[] = {
    L"app_name",           L"company_name",      L"ucn",
    L"exe_name",           L"version",           L"lang_id",
    L"urls/help",          L"urls/tech_support", L"company_url",
    L"company_web_button", L"uus_path",          L"survey_host",
};

const wchar_t* const kIntegerKeys[] = {L"cpid", L"pid", L"vendor_id"};

std::vector<UINT> StringIds() {
  std::vector<UINT> ids = {128, 174, 175, 196, 57344, 4006, 155, 167, 180, 181, 182, 188, 201};
  auto range = [&ids](UINT first, UINT last) {
    for (UINT id = first; id <= last; ++id) ids.push_back(id);
  };
  range(156, 162);  // the singular forms of 155, 167 and 228
  range(168, 173);  // 168, 169 cleaning/finished; 170-173 close dialog
  range(176, 179);
  range(184, 187);
  range(189, 191);
  range(195, 233);  // overview, quarantine, ignore list, scan page, main frame
  range(234, 258);
  range(259, 271);
  range(600, 607);
  // 183, 192-194 and 212-213 are not used by the program.
  std::erase_if(ids, [](UINT id) { return id == 212 || id == 213; });
  return ids;
}

class ShippedTheme : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
  }
  void SetUp() override { ASSERT_TRUE(LoadShippedTheme()); }
  CThemeResources& m_theme = Theme();
};

TEST_F(ShippedTheme, DefinesEveryKey) {
  ASSERT_EQ(std::size(kColourKeys), 86u);
  ASSERT_EQ(std::size(kFontKeys), 13u);
  for (const wchar_t* key : kColourKeys) {
    int found = 0;
    m_theme.GetColor(key, &found);
    EXPECT_EQ(found, 1) << "colour " << std::string(key, key + wcslen(key));
  }
  for (const wchar_t* key : kFontKeys) {
    int found = 0;
    EXPECT_NE(m_theme.GetFont(key, &found), nullptr);
    EXPECT_EQ(found, 1) << "font " << std::string(key, key + wcslen(key));
  }
  for (const wchar_t* key : kStringKeys) {
    int found = 0;
    EXPECT_FALSE(m_theme.GetString(key, &found).empty());
    EXPECT_EQ(found, 1) << "string " << std::string(key, key + wcslen(key));
  }
  for (const wchar_t* key : kIntegerKeys) {
    int found = 0;
    m_theme.GetInteger(key, &found);
    EXPECT_EQ(found, 1) << "integer " << std::string(key, key + wcslen(key));
  }
  // Values other parts rely on.
  EXPECT_EQ(m_theme.GetString(L"exe_name"), L"RodeRedud.exe");
  EXPECT_EQ(m_theme.GetString(L"uus_path").front(), L'\\');  // appended to a folder as it is
  // The colour-keyed pixels of the drop-down are painted RGB(254, 0, 0).
  EXPECT_EQ(m_theme.GetColor(L"pages/scan/clean_drop/alpha_bg") & 0xFFFFFFu, 0xFE0000u);
}

TEST_F(ShippedTheme, StringTableHoldsEveryId) {
  for (UINT id : StringIds()) EXPECT_FALSE(m_theme.LoadResString(id).empty()) << "string " << id;
  EXPECT_EQ(m_theme.LoadResString(9999), L"");
  EXPECT_EQ(m_theme.LoadResString(1), L"");

  // Texts formatted by the program carry exactly the placeholders it passes.
  auto count = [](const std::wstring& s, const wchar_t* what) {
    size_t n = 0;
    for (size_t p = s.find(what); p != std::wstring::npos; p = s.find(what, p + 1)) ++n;
    return n;
  };
  struct Format {
    UINT id;
    size_t integers;
  } formats[] = {{155, 2}, {156, 2}, {157, 2}, {158, 2}, {167, 2}, {159, 2},
                 {160, 2}, {161, 2}, {228, 1}, {162, 1}, {231, 0}, {232, 0}};
  for (const Format& f : formats) {
    std::wstring text = m_theme.LoadResString(f.id);
    EXPECT_EQ(count(text, L"%d"), f.integers) << "string " << f.id;
    EXPECT_EQ(count(text, L"%"), f.integers) << "string " << f.id;
  }
  // The overview compares the scan texts with "never".
  EXPECT_EQ(_wcsicmp(m_theme.LoadResString(IDS_NEVER).c_str(), L"never"), 0);
  EXPECT_EQ(m_theme.LoadResString(IDS_APP_TITLE), m_theme.GetString(L"app_name"));
}

// Counts agree with their nouns: exactly 1 takes the singular, 0 and every
// other count the plural.
TEST_F(ShippedTheme, CountsAgreeWithTheirNouns) {
  struct Row {
    const CountedText& text;
    long long first, second;  // second unused by one-count texts
    const wchar_t* expected;
  };
  const CountedText& title = threat::kStrResultsTitle;
  const CountedText& summary = threat::kStrResultsSummary;
  const CountedText& cleaned = OverviewText::kCleanCount;
  const Row rows[] = {
      {title, 0, 0, L"0 threats detected in 0 items"},
      {title, 1, 1, L"1 threat detected in 1 item"},
      {title, 1, 2, L"1 threat detected in 2 items"},
      {title, 2, 1, L"2 threats detected in 1 item"},
      {title, 2, 2, L"2 threats detected in 2 items"},
      {title, 11, 21, L"11 threats detected in 21 items"},
      {title, 10000, 25001, L"10000 threats detected in 25001 items"},
      {summary, 0, 0,
       L"The scan found 0 threats in 0 items. Choose what to do with each threat, then click "
       L"Clean."},
      {summary, 1, 1,
       L"The scan found 1 threat in 1 item. Choose what to do with it, then click Clean."},
      {summary, 1, 3,
       L"The scan found 1 threat in 3 items. Choose what to do with it, then click Clean."},
      {summary, 2, 1,
       L"The scan found 2 threats in 1 item. Choose what to do with each threat, then click "
       L"Clean."},
      {summary, 700, 9000,
       L"The scan found 700 threats in 9000 items. Choose what to do with each threat, then "
       L"click Clean."},
      {cleaned, 0, 0, L"0 threats removed"},
      {cleaned, 1, 0, L"1 threat removed"},
      {cleaned, 2, 0, L"2 threats removed"},
      {cleaned, 123456, 0, L"123456 threats removed"},
  };
  for (const Row& row : rows) {
    const std::wstring got = &row.text == &cleaned
                                 ? FormatCounted(m_theme, row.text, {row.first})
                                 : FormatCounted(m_theme, row.text, {row.first, row.second});
    EXPECT_EQ(got, row.expected) << "counts " << row.first << ", " << row.second;
  }
}

TEST_F(ShippedTheme, CountedTextFallsBackToItsPluralForm) {
  // Another theme's library may hold only the plural text: a form it lacks (9999
  // here) or a form the text never had (0) gives the plural text, still formatted.
  const CountedText partial{{155, 9999, 0, 0}};
  EXPECT_EQ(CountedTextId(partial, {1, 1}), 155u);
  EXPECT_EQ(CountedTextId(partial, {1, 2}), 9999u);
  EXPECT_EQ(FormatCounted(m_theme, partial, {1, 2}), L"1 threats detected in 2 items");
  EXPECT_EQ(FormatCounted(m_theme, partial, {1, 1}), L"1 threats detected in 1 items");
  const CountedText none{};
  EXPECT_EQ(FormatCounted(m_theme, none, {1}), L"");
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

struct ControlSpec {
  int id;
  const wchar_t* windowClass;
  LONG buttonType;  // BS_* type for buttons, -1 otherwise
};

struct DialogSpec {
  int id;
  bool popup;
  std::vector<ControlSpec> controls;
};

constexpr LONG kNone = -1;

std::vector<DialogSpec> DialogSpecs() {
  const wchar_t* S = L"Static";
  const wchar_t* B = L"Button";
  const wchar_t* C = L"ComboBox";
  const wchar_t* P = PROGRESS_CLASSW;
  return {
      {100,
       false,
       {{1070, S, kNone},
        {1071, S, kNone},
        {1073, B, BS_PUSHBUTTON},
        {1074, B, BS_PUSHBUTTON},
        {1076, B, BS_PUSHBUTTON}}},
      {310,
       false,
       {{1058, B, BS_AUTORADIOBUTTON},
        {1059, B, BS_AUTORADIOBUTTON},
        {1060, B, BS_AUTORADIOBUTTON},
        {1054, S, kNone},
        {1055, S, kNone},
        {1053, S, kNone},
        {1029, B, BS_PUSHBUTTON},
        {1000, B, BS_OWNERDRAW}}},
      {311,
       false,
       {{1006, S, kNone},
        {1007, S, kNone},
        {1008, S, kNone},
        {1009, S, kNone},
        {1010, S, kNone},
        {1011, S, kNone},
        {1021, S, kNone},
        {1001, P, kNone},
        {1014, B, BS_PUSHBUTTON},
        {1015, B, BS_PUSHBUTTON},
        {1004, B, BS_PUSHBUTTON}}},
      {312,
       false,
       {{1003, B, BS_OWNERDRAW},
        {1022, B, BS_OWNERDRAW},
        {1004, B, BS_PUSHBUTTON},
        {1023, S, kNone}}},
      {313, false, {{1001, P, kNone}, {1023, S, kNone}, {1004, B, BS_PUSHBUTTON}}},
      {314,
       false,
       {{1023, S, kNone}, {1025, S, kNone}, {1016, S, kNone}, {1018, B, BS_PUSHBUTTON}}},
      {319,
       true,
       {{1, B, BS_OWNERDRAW},
        {4, B, BS_OWNERDRAW},
        {8, B, BS_OWNERDRAW},
        {16, B, BS_OWNERDRAW},
        {32, B, BS_OWNERDRAW},
        {64, B, BS_OWNERDRAW},
        {128, B, BS_OWNERDRAW}}},
      {322, true, {{1, B, BS_DEFPUSHBUTTON}, {2, B, BS_PUSHBUTTON}, {1027, B, BS_AUTOCHECKBOX}}},
      {323, false, {}},
      {327,
       false,
       {{1033, S, kNone},
        {1028, C, kNone},
        {1030, B, BS_AUTOCHECKBOX},
        {1029, B, BS_PUSHBUTTON},
        {1031, S, kNone},
        {1032, S, kNone},
        {1034, B, BS_AUTOCHECKBOX},
        {1036, S, kNone},
        {1040, S, kNone},
        {1042, S, kNone},
        {1038, C, kNone},
        {1044, C, kNone},
        {1046, C, kNone},
        {1035, B, BS_AUTOCHECKBOX},
        {1037, S, kNone},
        {1041, S, kNone},
        {1043, S, kNone},
        {1039, C, kNone},
        {1045, C, kNone},
        {1047, C, kNone},
        {1048, B, BS_PUSHBUTTON},
        {1049, B, BS_PUSHBUTTON},
        {1050, S, kNone}}},
      {328,
       false,
       {{1010, S, kNone},
        {1062, S, kNone},
        {1063, S, kNone},
        {1029, B, BS_PUSHBUTTON},
        {1028, B, BS_PUSHBUTTON}}},
      {329, false, {{1023, S, kNone}, {1064, B, BS_PUSHBUTTON}, {1065, B, BS_PUSHBUTTON}}},
  };
}

TEST_F(ShippedTheme, EveryDialogTemplateLoadsWithItsControls) {
  HMODULE resources = m_theme.ResourceModule();
  ASSERT_NE(resources, nullptr);
  HWND host = CreateWindowExW(0, L"Static", L"host", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_NE(host, nullptr);

  for (const DialogSpec& expected : DialogSpecs()) {
    SCOPED_TRACE("dialog " + std::to_string(expected.id));
    HWND dialog =
        CreateDialogParamW(resources, MAKEINTRESOURCEW(expected.id), host, QuietDialogProc, 0);
    ASSERT_NE(dialog, nullptr) << GetLastError();
    LONG style = GetWindowLongW(dialog, GWL_STYLE);
    if (expected.popup) {
      EXPECT_TRUE(style & WS_POPUP);
      EXPECT_FALSE(style & WS_CHILD);
    } else {
      EXPECT_TRUE(style & WS_CHILD);
      EXPECT_FALSE(style & WS_POPUP);
      EXPECT_FALSE(style & WS_VISIBLE);  // the frame shows the page it selects
    }
    EXPECT_NE(style & WS_CAPTION, WS_CAPTION);
    EXPECT_FALSE(style & (WS_BORDER | WS_THICKFRAME | WS_DLGFRAME));
    EXPECT_FALSE(GetWindowLongW(dialog, GWL_EXSTYLE) &
                 (WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE | WS_EX_STATICEDGE));

    for (const ControlSpec& control : expected.controls) {
      SCOPED_TRACE("control " + std::to_string(control.id));
      HWND item = GetDlgItem(dialog, control.id);
      ASSERT_NE(item, nullptr);
      wchar_t cls[64] = {};
      GetClassNameW(item, cls, 64);
      EXPECT_EQ(_wcsicmp(cls, control.windowClass), 0) << std::string(cls, cls + wcslen(cls));
      if (control.buttonType != kNone) {
        EXPECT_EQ(GetWindowLongW(item, GWL_STYLE) & BS_TYPEMASK, control.buttonType);
      }
    }
    DestroyWindow(dialog);
  }
  DestroyWindow(host);
}

TEST_F(ShippedTheme, IconAndTrayMenu) {
  HMODULE resources = m_theme.ResourceModule();
  UniqueIcon icon(static_cast<HICON>(
      LoadImageW(resources, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));
  EXPECT_TRUE(icon);
  UniqueIcon large(static_cast<HICON>(
      LoadImageW(resources, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR)));
  EXPECT_TRUE(large);

  UniqueMenu menu(LoadMenuW(resources, MAKEINTRESOURCEW(IDR_TRAY_MENU)));
  ASSERT_TRUE(menu);
  HMENU popup = GetSubMenu(menu.get(), 0);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(GetMenuItemID(popup, 0),
            static_cast<UINT>(ID_TRAY_OPEN));  // the default item opens the window
  for (UINT command : {ID_TRAY_OPEN, ID_TRAY_STATUS, ID_TRAY_QUICK_SCAN, ID_TRAY_FULL_SCAN,
                       ID_TRAY_UPDATE, ID_TRAY_EXIT}) {
    MENUITEMINFOW info{sizeof(info), MIIM_ID};
    EXPECT_TRUE(GetMenuItemInfoW(popup, command, FALSE, &info)) << command;
  }
}

// Other themes' resource libraries and the theme document refer to resources by
// number, so a name in resource.h must keep its number.
struct FixedId {
  const char* name;
  long value;
  long expected;
};
#define FIXED_ID(name, number) \
  { #name, name, number }
const FixedId kFixedIds[] = {
    FIXED_ID(IDI_APP, 128),
    FIXED_ID(IDR_TRAY_MENU, 324),
    FIXED_ID(ID_TRAY_OPEN, 32779),
    FIXED_ID(ID_TRAY_STATUS, 32773),
    FIXED_ID(ID_TRAY_QUICK_SCAN, 32774),
    FIXED_ID(ID_TRAY_FULL_SCAN, 32771),
    FIXED_ID(ID_TRAY_UPDATE, 32775),
    FIXED_ID(ID_TRAY_EXIT, 32776),
    FIXED_ID(ID_FRAME_ABOUT, 57664),
    FIXED_ID(ID_FRAME_HELP, 57670),
    FIXED_ID(IDD_ABOUT, 100),
    FIXED_ID(IDD_SCAN, 310),
    FIXED_ID(IDD_SCANNING, 311),
    FIXED_ID(IDD_RESULTS, 312),
    FIXED_ID(IDD_CLEANING, 313),
    FIXED_ID(IDD_FINISHED, 314),
    FIXED_ID(IDD_CLEAN_DROPDOWN, 319),
    FIXED_ID(IDD_CLOSE, 322),
    FIXED_ID(IDD_OVERVIEW, 323),
    FIXED_ID(IDD_SETTINGS, 327),
    FIXED_ID(IDD_QUARANTINE, 328),
    FIXED_ID(IDD_IGNORE, 329),
    FIXED_ID(IDT_RECONNECT, 100),
    FIXED_ID(IDT_CLOSE_DIALOG, 101),
    FIXED_ID(IDT_CONTEXT_SCAN, 102),
    FIXED_ID(IDC_ABOUT_PRODUCT, 1070),
    FIXED_ID(IDC_ABOUT_VERSION, 1071),
    FIXED_ID(IDC_ABOUT_DESCRIPTION, 1072),
    FIXED_ID(IDC_ABOUT_WEB_SITE, 1073),
    FIXED_ID(IDC_ABOUT_SUPPORT, 1074),
    FIXED_ID(IDC_ABOUT_CHECK_UPDATES, 1076),
    FIXED_ID(IDC_ABOUT_COPYRIGHT, 1075),
    FIXED_ID(IDC_SCAN_QUICK, 1058),
    FIXED_ID(IDC_SCAN_FULL, 1059),
    FIXED_ID(IDC_SCAN_QUICK_TEXT, 1054),
    FIXED_ID(IDC_SCAN_FULL_TEXT, 1055),
    FIXED_ID(IDC_SCAN_CUSTOM, 1060),
    FIXED_ID(IDC_SCAN_CUSTOM_TEXT, 1053),
    FIXED_ID(IDC_SCAN_ADD_FOLDER, 1029),
    FIXED_ID(IDC_SCAN_START, 1000),
    FIXED_ID(IDC_SCAN_FOLDER_LIST, 1030),
    FIXED_ID(IDC_SCANNING_TITLE, 1006),
    FIXED_ID(IDC_SCANNING_STATUS, 1007),
    FIXED_ID(IDC_SCANNING_OBJECT, 1008),
    FIXED_ID(IDC_SCANNING_COUNT_CAPTION, 1009),
    FIXED_ID(IDC_SCANNING_COUNT, 1010),
    FIXED_ID(IDC_SCANNING_COUNT_TRAILER, 1011),
    FIXED_ID(IDC_SCANNING_PROGRESS_CAPTION, 1021),
    FIXED_ID(IDC_SCANNING_PROGRESS, 1001),
    FIXED_ID(IDC_SCANNING_STOP, 1004),
    FIXED_ID(IDC_SCANNING_PAUSE, 1014),
    FIXED_ID(IDC_SCANNING_RESUME, 1015),
    FIXED_ID(IDC_SCANNING_ANIMATION, 101),
    FIXED_ID(IDC_RESULTS_SUMMARY, 1023),
    FIXED_ID(IDC_RESULTS_CLEAN_TOP, 1022),
    FIXED_ID(IDC_RESULTS_CLOSE, 1004),
    FIXED_ID(IDC_RESULTS_CLEAN_BOTTOM, 1003),
    FIXED_ID(IDC_CLEANING_LABEL, 1023),
    FIXED_ID(IDC_CLEANING_PROGRESS, 1001),
    FIXED_ID(IDC_CLEANING_STOP, 1004),
    FIXED_ID(IDC_FINISHED_HEADLINE, 1023),
    FIXED_ID(IDC_FINISHED_CAPTIONS, 1025),
    FIXED_ID(IDC_FINISHED_NUMBERS, 1016),
    FIXED_ID(IDC_FINISHED_CLOSE, 1018),
    FIXED_ID(IDC_OPTION_ADVICE, 1),
    FIXED_ID(IDC_OPTION_DELETE, 4),
    FIXED_ID(IDC_OPTION_REPAIR, 8),
    FIXED_ID(IDC_OPTION_QUARANTINE, 16),
    FIXED_ID(IDC_OPTION_REPORT_ONLY, 32),
    FIXED_ID(IDC_OPTION_ALWAYS_IGNORE, 64),
    FIXED_ID(IDC_OPTION_ALLOW_ONCE, 128),
    FIXED_ID(IDC_CLOSE_DONT_SHOW, 1027),
    FIXED_ID(IDC_SETTINGS_RESPONSE, 1028),
    FIXED_ID(IDC_SETTINGS_RESTORE_PROTECTION, 1029),
    FIXED_ID(IDC_SETTINGS_RETENTION, 1030),
    FIXED_ID(IDC_SETTINGS_QUARANTINE_TITLE, 1031),
    FIXED_ID(IDC_SETTINGS_QUARANTINE_TEXT, 1032),
    FIXED_ID(IDC_SETTINGS_RESPONSE_CAPTION, 1033),
    FIXED_ID(IDC_SETTINGS_QUICK_CHECK, 1034),
    FIXED_ID(IDC_SETTINGS_FULL_CHECK, 1035),
    FIXED_ID(IDC_SETTINGS_QUICK_FREQUENCY_CAPTION, 1036),
    FIXED_ID(IDC_SETTINGS_FULL_FREQUENCY_CAPTION, 1037),
    FIXED_ID(IDC_SETTINGS_QUICK_FREQUENCY, 1038),
    FIXED_ID(IDC_SETTINGS_FULL_FREQUENCY, 1039),
    FIXED_ID(IDC_SETTINGS_QUICK_WEEKDAY_CAPTION, 1040),
    FIXED_ID(IDC_SETTINGS_FULL_WEEKDAY_CAPTION, 1041),
    FIXED_ID(IDC_SETTINGS_QUICK_HOUR_CAPTION, 1042),
    FIXED_ID(IDC_SETTINGS_FULL_HOUR_CAPTION, 1043),
    FIXED_ID(IDC_SETTINGS_QUICK_WEEKDAY, 1044),
    FIXED_ID(IDC_SETTINGS_FULL_WEEKDAY, 1045),
    FIXED_ID(IDC_SETTINGS_QUICK_HOUR, 1046),
    FIXED_ID(IDC_SETTINGS_FULL_HOUR, 1047),
    FIXED_ID(IDC_SETTINGS_APPLY, 1048),
    FIXED_ID(IDC_SETTINGS_RESTORE_SCHEDULES, 1049),
    FIXED_ID(IDC_SETTINGS_SCHEDULE_NOTE, 1050),
    FIXED_ID(IDC_QUARANTINE_COUNT, 1010),
    FIXED_ID(IDC_QUARANTINE_CAPTION, 1062),
    FIXED_ID(IDC_QUARANTINE_EXPLANATION, 1063),
    FIXED_ID(IDC_QUARANTINE_RESTORE, 1029),
    FIXED_ID(IDC_QUARANTINE_DELETE, 1028),
    FIXED_ID(IDC_IGNORE_EXPLANATION, 1023),
    FIXED_ID(IDC_IGNORE_ADD_FILE, 1064),
    FIXED_ID(IDC_IGNORE_ADD_FOLDER, 1065),
    FIXED_ID(IDC_IGNORE_LIST, 1066),
    FIXED_ID(IDC_OVERVIEW_CUSTOM_SCAN, 2094),
    FIXED_ID(IDC_OVERVIEW_START_SCAN, 2095),
    FIXED_ID(IDC_THREAT_LIST, 100),
    FIXED_ID(IDC_THREAT_ROWS, 101),
    FIXED_ID(IDC_THREAT_SELECT_ALL, 1020),
    FIXED_ID(IDS_PRODUCT_NAME, 128),
    FIXED_ID(IDS_TASK_NAME, 174),
    FIXED_ID(IDS_TASK_COMMENT, 175),
    FIXED_ID(IDS_ENGINE_UNAVAILABLE, 196),
    FIXED_ID(IDS_APP_TITLE, 57344),
    FIXED_ID(IDS_CLOSE_TITLE, 170),
    FIXED_ID(IDS_CLOSE_TEXT, 171),
    FIXED_ID(IDS_CLOSE_TRAY_TITLE, 172),
    FIXED_ID(IDS_CLOSE_TRAY_TEXT, 173),
    FIXED_ID(IDS_SETTINGS_SUBTITLE, 176),
    FIXED_ID(IDS_SETTINGS_TITLE, 177),
    FIXED_ID(IDS_SETTINGS_PROTECTION_BOX, 178),
    FIXED_ID(IDS_SETTINGS_SCHEDULE_BOX, 179),
    FIXED_ID(IDS_SETTINGS_CONFIRM_RESTORE, 258),
    FIXED_ID(IDS_SUNDAY, 259),
    FIXED_ID(IDS_MONDAY, 260),
    FIXED_ID(IDS_TUESDAY, 261),
    FIXED_ID(IDS_WEDNESDAY, 262),
    FIXED_ID(IDS_THURSDAY, 263),
    FIXED_ID(IDS_FRIDAY, 264),
    FIXED_ID(IDS_SATURDAY, 265),
    FIXED_ID(IDS_DAILY, 266),
    FIXED_ID(IDS_WEEKLY, 267),
    FIXED_ID(IDS_RESPONSE_LOG, 268),
    FIXED_ID(IDS_RESPONSE_ALERT, 269),
    FIXED_ID(IDS_RESPONSE_BLOCK, 270),
    FIXED_ID(IDS_RESPONSE_QUARANTINE, 271),
    FIXED_ID(IDS_CONTEXT_SCAN_RUNNING, 280),
    FIXED_ID(IDS_CONTEXT_ITEMS_NOT_FOUND, 281),
    FIXED_ID(IDS_THREATS_BANNER, 155),
    FIXED_ID(IDS_RESULTS_SUMMARY, 167),
    FIXED_ID(IDS_THREATS_BANNER_ONE_THREAT, 156),
    FIXED_ID(IDS_THREATS_BANNER_ONE_ITEM, 157),
    FIXED_ID(IDS_THREATS_BANNER_ONE_EACH, 158),
    FIXED_ID(IDS_RESULTS_SUMMARY_ONE_THREAT, 159),
    FIXED_ID(IDS_RESULTS_SUMMARY_ONE_ITEM, 160),
    FIXED_ID(IDS_RESULTS_SUMMARY_ONE_EACH, 161),
    FIXED_ID(IDS_CLEAN_COUNT_ONE, 162),
    FIXED_ID(IDS_STOP_SCAN_QUESTION, 180),
    FIXED_ID(IDS_SCAN_FAILED, 248),
    FIXED_ID(IDS_SCAN_PREPARING, 249),
    FIXED_ID(IDS_SCAN_UPDATING, 250),
    FIXED_ID(IDS_SCAN_DOWNLOADING, 251),
    FIXED_ID(IDS_SCAN_INSTALLING, 252),
    FIXED_ID(IDS_SCAN_SCANNING, 253),
    FIXED_ID(IDS_SCAN_PAUSED, 254),
    FIXED_ID(IDS_COLUMN_QUARANTINED_ON, 234),
    FIXED_ID(IDS_COLUMN_THREAT, 235),
    FIXED_ID(IDS_COLUMN_CATEGORY, 236),
    FIXED_ID(IDS_COLUMN_ITEMS, 237),
    FIXED_ID(IDS_COLUMN_ACTION, 238),
    FIXED_ID(IDS_COLUMN_DAMAGE, 239),
    FIXED_ID(IDS_ADVICE_PREFIX, 240),
    FIXED_ID(IDS_DESCRIPTION_PREFIX, 241),
    FIXED_ID(IDS_TRACES_TITLE, 242),
    FIXED_ID(IDS_CHOOSE_ACTION, 243),
    FIXED_ID(IDS_HANDLED, 257),
    FIXED_ID(IDS_ACTION_ADVICE, 600),
    FIXED_ID(IDS_ACTION_NONE, 601),
    FIXED_ID(IDS_ACTION_DELETE, 602),
    FIXED_ID(IDS_ACTION_REPAIR, 603),
    FIXED_ID(IDS_ACTION_QUARANTINE, 604),
    FIXED_ID(IDS_ACTION_REPORT_ONLY, 605),
    FIXED_ID(IDS_ACTION_ALWAYS_IGNORE, 606),
    FIXED_ID(IDS_ACTION_ALLOW_ONCE, 607),
    FIXED_ID(IDS_FINISHED_CLEANED, 168),
    FIXED_ID(IDS_CLEANING_WAIT, 169),
    FIXED_ID(IDS_STOP_CLEANING_QUESTION, 181),
    FIXED_ID(IDS_RESTART_QUESTION, 188),
    FIXED_ID(IDS_NOTHING_FOUND, 201),
    FIXED_ID(IDS_CLEANING_TITLE, 244),
    FIXED_ID(IDS_TITLE_NOTHING_FOUND, 245),
    FIXED_ID(IDS_TITLE_CLEANED, 246),
    FIXED_ID(IDS_TITLE_CLEANED_RESTART, 247),
    FIXED_ID(IDS_ENGINE_STOPPED, 292),
    FIXED_ID(IDS_QUARANTINE_TITLE, 184),
    FIXED_ID(IDS_QUARANTINE_SUBTITLE, 185),
    FIXED_ID(IDS_QUARANTINE_RESTORE_QUESTION, 198),
    FIXED_ID(IDS_QUARANTINE_DELETE_QUESTION, 199),
    FIXED_ID(IDS_QUARANTINE_NONE_TICKED, 200),
    FIXED_ID(IDS_QUARANTINE_EMPTY, 291),
    FIXED_ID(IDS_BALLOON_TITLE, 182),
    FIXED_ID(IDS_BALLOON_QUARANTINED, 189),
    FIXED_ID(IDS_BALLOON_BLOCKED, 190),
    FIXED_ID(IDS_BALLOON_DETECTED, 191),
    FIXED_ID(IDS_SCAN_TITLE, 186),
    FIXED_ID(IDS_SCAN_SUBTITLE, 187),
    FIXED_ID(IDS_SCAN_FOLDER_LISTED, 197),
    FIXED_ID(IDS_FOLDER_BROWSER_TITLE, 216),
    FIXED_ID(IDS_FOLDER_NAME_REFUSED, 218),
    FIXED_ID(IDS_SCAN_NO_FOLDERS, 255),
    FIXED_ID(IDS_SCAN_ADD_FOLDER_FIRST, 256),
    FIXED_ID(IDS_DEFINITIONS_UNKNOWN, 195),
    FIXED_ID(IDS_LABEL_QUICK_SCAN, 219),
    FIXED_ID(IDS_LABEL_FULL_SCAN, 220),
    FIXED_ID(IDS_LABEL_DEFINITIONS, 221),
    FIXED_ID(IDS_LABEL_INSTALLED, 222),
    FIXED_ID(IDS_LABEL_LAST_SCAN, 223),
    FIXED_ID(IDS_KIND_FULL, 224),
    FIXED_ID(IDS_KIND_QUICK, 225),
    FIXED_ID(IDS_KIND_CUSTOM, 226),
    FIXED_ID(IDS_NO_LAST_SCAN, 227),
    FIXED_ID(IDS_CLEAN_COUNT, 228),
    FIXED_ID(IDS_STATUS_NOT_SCANNED, 229),
    FIXED_ID(IDS_STATUS_PROTECTED, 230),
    FIXED_ID(IDS_STATUS_THREATS_FOUND, 231),
    FIXED_ID(IDS_STATUS_LAST_SCAN_THREATS, 232),
    FIXED_ID(IDS_NEVER, 233),
    FIXED_ID(IDS_IGNORE_SUBTITLE, 202),
    FIXED_ID(IDS_IGNORE_TITLE, 203),
    FIXED_ID(IDS_IGNORE_EXPLANATION, 204),
    FIXED_ID(IDS_IGNORE_EMPTY, 214),
    FIXED_ID(IDS_IGNORE_FILE_LISTED, 215),
    FIXED_ID(IDS_IGNORE_FOLDER_LISTED, 217),
    FIXED_ID(IDS_IGNORE_NOT_STORED, 290),
    FIXED_ID(IDS_TAB_OVERVIEW, 205),
    FIXED_ID(IDS_TAB_SCAN, 206),
    FIXED_ID(IDS_TAB_QUARANTINE, 207),
    FIXED_ID(IDS_TAB_IGNORE, 208),
    FIXED_ID(IDS_TAB_SETTINGS, 209),
    FIXED_ID(IDS_ABOUT, 210),
    FIXED_ID(IDS_HELP, 211),
    FIXED_ID(IDS_END_SESSION_QUESTION, 4006),
};
#undef FIXED_ID

TEST(ResourceIds, KeepTheirNumbers) {
  for (const FixedId& row : kFixedIds) EXPECT_EQ(row.value, row.expected) << row.name;
}

// Every picture path the program uses, spelt as the program spells it.
const wchar_t* const kImagePaths[] = {
    L"images/Frame/title_bar.png",
    L"images/Frame/tab_bg.png",
    L"images/Frame/tabactive_bg.png",
    L"images/Frame/tabover_bg.png",
    L"images/Frame/close_bg.png",
    L"images/Frame/min.png",
    L"images/Frame/max.png",
    L"images/Frame/restore.png",
    L"images/Frame/close.png",
    L"images/Frame/logo.png",
    L"images/Frame/microsoftlogo.png",
    L"Images\\frame\\about.png",
    L"Images\\frame\\help.png",
    L"Images\\tabs\\overview.png",
    L"Images\\tabs\\scan.png",
    L"Images\\tabs\\quarantine.png",
    L"Images\\tabs\\ignore.png",
    L"Images\\tabs\\settings.png",
    L"images/frame/background_grey_noise.png",
    L"Images/headers/header_about.png",
    L"Images/headers/kestra.png",
    L"Images/headers/header_ignore.png",
    L"Images/headers/header_quarantine.png",
    L"Images/settings/header_settings.png",
    L"Images\\Overview\\computer_bg.png",
    L"Images\\Overview\\computer_green.png",
    L"Images\\Overview\\computer_orange.png",
    L"Images\\Overview\\computer_red.png",
    L"Images\\Overview\\calendar.png",
    L"Images\\Overview\\checkmark.png",
    L"Images\\Overview\\status_green.png",
    L"Images\\Overview\\status_normal.png",
    L"Images\\Overview\\status_orange.png",
    L"Images\\Overview\\status_red.png",
    L"Images\\Overview\\status_red_big.png",
    L"Images\\Overview\\custom_scan.png",
    L"Images\\Overview\\custom_scan_over.png",
    L"Images\\Overview\\custom_scan_down.png",
    L"Images\\Overview\\start.png",
    L"Images\\Overview\\start_over.png",
    L"Images\\Overview\\start_down.png",
    L"Images/overview/status_green.png",
    L"Images/overview/status_orange.png",
    L"Images/overview/status_red.png",
    L"Images/scan/computer_green.png",
    L"Images/scan/computer_orange.png",
    L"Images/scan/computer_red.png",
    L"Images/scan/progress_glow.png",
    L"Images/scan/progressbar_middle.png",
    L"images/scan/icon_downarrow.png",
    L"images/scan/clean.png",
    L"images/scan/clean_over.png",
    L"images/scan/clean_down.png",
    L"Images/Scan/status_normal.png",
    L"Images/Scan/btn_remove.png",
    L"Images/Scan/btn_remove_over.png",
    L"Images/Scan/btn_remove_down.png",
    L"Images\\Scan\\cleaning_arrow.png",
    L"Images\\Scan\\damage_level\\damage0.png",
    L"Images\\Scan\\damage_level\\damage1.png",
    L"Images\\Scan\\damage_level\\damage2.png",
    L"Images\\Scan\\damage_level\\damage3.png",
    L"Images\\Scan\\damage_level\\damage4.png",
    L"Images\\Scan\\damage_level\\damage5.png",
    L"Images/settings/quarantine.png",
    L"Images/settings/text_background.png",
    L"Images/Popups/top_bar_bg.png",
    L"images/Popups/register_close.png",
    L"images/Popups/register_close_over.png",
    L"images/Popups/info.png",
    L"images/Popups/taskbar.png",
    L"Images\\about\\title_bg.png",
};

TEST_F(ShippedTheme, EveryPicturePathResolvesWhateverItsCaseAndSeparators) {
  for (const wchar_t* path : kImagePaths) {
    auto image = LoadThemeImage(path);
    ASSERT_NE(image, nullptr) << std::string(path, path + wcslen(path));
    EXPECT_GT(image->GetWidth(), 0u);
  }
  // The scanning animation: frames 1 to 12, named as "%s%d.%s" makes them.
  for (int n = 1; n <= 12; ++n) {
    auto frame = LoadThemeImage(L"Images/scan/scan_anim/" + std::to_wstring(n) + L".png");
    ASSERT_NE(frame, nullptr) << n;
  }
  EXPECT_EQ(LoadThemeImage(L"Images/scan/scan_anim/13.png"), nullptr);

  // Sizes the layouts depend on.
  auto tab = LoadThemeImage(L"images/Frame/tab_bg.png");
  EXPECT_EQ(tab->GetWidth(), 142u);
  EXPECT_EQ(tab->GetHeight(), 40u);
  auto caption = LoadThemeImage(L"images/Frame/close_bg.png");
  EXPECT_EQ(caption->GetWidth(), 121u);
  EXPECT_EQ(caption->GetHeight(), 19u);
  auto bar = LoadThemeImage(L"Images/scan/progressbar_middle.png");
  EXPECT_EQ(bar->GetHeight(), 17u);
  auto closeButton = LoadThemeImage(L"images/Popups/register_close.png");
  EXPECT_EQ(closeButton->GetWidth(), 16u);
  EXPECT_EQ(closeButton->GetHeight(), 16u);
}

TEST(ThemeImages, MissingUndecodableOrOverlongPathsGiveNoImage) {
  TempThemeDir dir;
  dir.Write(L"images\\broken.png", "\x89PNG\r\n\x1a\n not really a picture");
  dir.Write(L"images\\text.png", "hello");
  EXPECT_EQ(LoadThemeImageFrom(dir.path(), L"images/broken.png"), nullptr);
  EXPECT_EQ(LoadThemeImageFrom(dir.path(), L"images/text.png"), nullptr);
  EXPECT_EQ(LoadThemeImageFrom(dir.path(), L"images/absent.png"), nullptr);
  EXPECT_EQ(LoadThemeImageFrom(dir.path(), L""), nullptr);
  EXPECT_EQ(LoadThemeImage(L"images/" + std::wstring(300, L'a') + L".png"), nullptr);

  // A real picture copied into the fixture folder decodes with either separator and case.
  ASSERT_TRUE(LoadShippedTheme());
  std::wstring source = OutputFolder() + L"images\\frame\\logo.png";
  std::wstring target = dir.path() + L"\\Pics\\Logo.png";
  CreateDirectoryW((dir.path() + L"\\Pics").c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(source.c_str(), target.c_str(), FALSE));
  EXPECT_NE(LoadThemeImageFrom(dir.path(), L"pics/logo.PNG"), nullptr);
  EXPECT_NE(LoadThemeImageFrom(dir.path() + L"\\", L"PICS\\LOGO.png"), nullptr);
}

}  // namespace

namespace {

// A copy of the shipped res.dll with one extra string block, to see LoadResString expand texts.
TEST(ThemeStrings, LoadResStringExpandsTableTexts) {
  TempThemeDir dir;
  std::wstring dll = dir.path() + L"\\res.dll";
  ASSERT_TRUE(CopyFileW((OutputFolder() + L"res.dll").c_str(), dll.c_str(), FALSE));

  // Block 313 holds the IDs 4992 to 5007: each entry a length word and its characters.
  std::vector<WORD> block;
  for (UINT id = 4992; id < 5008; ++id) {
    std::wstring text = id == 5000 ? L"Welcome to [%app_name%] &lt;%d&gt;\\nbuild [%pid%]" : L"";
    block.push_back(static_cast<WORD>(text.size()));
    block.insert(block.end(), text.begin(), text.end());
  }
  HANDLE update = BeginUpdateResourceW(dll.c_str(), FALSE);
  ASSERT_NE(update, nullptr);
  ASSERT_TRUE(UpdateResourceW(update, RT_STRING, MAKEINTRESOURCEW(5000 / 16 + 1),
                              MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), block.data(),
                              static_cast<DWORD>(block.size() * sizeof(WORD))));
  ASSERT_TRUE(EndUpdateResourceW(update, FALSE));

  {
    UniqueModule module(LoadLibraryW(dll.c_str()));
    ASSERT_TRUE(module);
    CThemeResources theme;
    std::wstring xml =
        dir.Write(L"ui.xml", UiDocument("<strings><app_name>Sample Guard</app_name></strings>"
                                        "<integers><pid>77</pid></integers>"));
    ASSERT_TRUE(theme.Load(xml, module.get()));
    EXPECT_EQ(theme.LoadResString(5000), L"Welcome to Sample Guard <%d>\nbuild 77");
    EXPECT_EQ(theme.LoadResString(5001), L"");         // an empty entry
    EXPECT_EQ(theme.LoadResString(5100), L"");         // no such block
    EXPECT_EQ(theme.LoadResString(IDS_TAB_OVERVIEW),
              L"Overview");  // the copy keeps the shipped table
  }
}

}  // namespace
