#include "pages/settings/SettingsPage.h"

#include <cstdlib>
#include <ctime>
#include <string>

#include "app/Settings.h"
#include "controls/Drawing.h"
#include "engine/EngineDocuments.h"
#include "framework/Messages.h"
#include "framework/WinAppEx.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

using namespace Gdiplus;
using namespace settings_page;

namespace {

// Labels of the template, in the order of m_labels.
constexpr int kLabelIds[] = {
    IDC_SETTINGS_RESPONSE_CAPTION,       IDC_SETTINGS_QUARANTINE_TITLE,
    IDC_SETTINGS_QUARANTINE_TEXT,        IDC_SETTINGS_QUICK_FREQUENCY_CAPTION,
    IDC_SETTINGS_QUICK_WEEKDAY_CAPTION,  IDC_SETTINGS_QUICK_HOUR_CAPTION,
    IDC_SETTINGS_FULL_FREQUENCY_CAPTION, IDC_SETTINGS_FULL_WEEKDAY_CAPTION,
    IDC_SETTINGS_FULL_HOUR_CAPTION,      IDC_SETTINGS_SCHEDULE_NOTE};
constexpr int kNoteLabel = 9;
constexpr int kQuarantineTitleLabel = 1;

// Controls whose size the layout sets; the others keep their own.
bool LayoutSizesControl(int id) {
  return id == IDC_SETTINGS_QUICK_CHECK || id == IDC_SETTINGS_FULL_CHECK ||
         id == IDC_SETTINGS_SCHEDULE_NOTE;
}

// The C library's generator, seeded with the time at its first use in the process.
int SeededDraw() {
  static const bool seeded = (std::srand(static_cast<unsigned>(std::time(nullptr))), true);
  (void)seeded;
  return std::rand();
}

void Fill(CComboBox& list, UINT firstString, int count) {
  list.ResetContent();
  for (int i = 0; i < count; ++i) list.AddString(Theme().LoadResString(firstString + i));
  list.SetCurSel(0);
}

}  // namespace

CSettingsPage::CSettingsPage()
    : CBaseDlg(IDD_SETTINGS),
      m_randomDraw(&SeededDraw),
      m_quarantinePicture(LoadThemeImage(L"Images/settings/quarantine.png")),
      m_textBackground(LoadThemeImage(L"Images/settings/text_background.png")) {
  CThemeResources& t = Theme();
  m_textColor = t.GetColor(L"pages/title");
  SetHeader(LoadThemeImage(L"Images/settings/header_settings.png"),
            t.LoadResString(IDS_SETTINGS_TITLE), t.LoadResString(IDS_SETTINGS_SUBTITLE));
}

CSettingsPage::~CSettingsPage() { DestroyWindow(); }

CComboBox& CSettingsPage::List(int id) {
  switch (id) {
    case IDC_SETTINGS_QUICK_FREQUENCY:
      return m_quickFrequency;
    case IDC_SETTINGS_FULL_FREQUENCY:
      return m_fullFrequency;
    case IDC_SETTINGS_QUICK_WEEKDAY:
      return m_quickWeekday;
    case IDC_SETTINGS_FULL_WEEKDAY:
      return m_fullWeekday;
    case IDC_SETTINGS_QUICK_HOUR:
      return m_quickHour;
    case IDC_SETTINGS_FULL_HOUR:
      return m_fullHour;
    default:
      return m_response;
  }
}

CButton& CSettingsPage::Check(int id) {
  return id == IDC_SETTINGS_FULL_CHECK ? m_fullCheck : m_quickCheck;
}

BOOL CSettingsPage::OnInitDialog() {
  CThemeResources& t = Theme();
  for (size_t i = 0; i < std::size(kLabelIds); ++i) m_labels[i].SubclassDlgItem(kLabelIds[i], m_hWnd);
  m_retention.SubclassDlgItem(IDC_SETTINGS_RETENTION, m_hWnd);
  m_quickCheck.SubclassDlgItem(IDC_SETTINGS_QUICK_CHECK, m_hWnd);
  m_fullCheck.SubclassDlgItem(IDC_SETTINGS_FULL_CHECK, m_hWnd);
  m_restoreProtection.SubclassDlgItem(IDC_SETTINGS_RESTORE_PROTECTION, m_hWnd);
  m_apply.SubclassDlgItem(IDC_SETTINGS_APPLY, m_hWnd);
  m_restoreSchedules.SubclassDlgItem(IDC_SETTINGS_RESTORE_SCHEDULES, m_hWnd);
  for (int id : {IDC_SETTINGS_RESPONSE, IDC_SETTINGS_QUICK_FREQUENCY, IDC_SETTINGS_FULL_FREQUENCY,
                 IDC_SETTINGS_QUICK_WEEKDAY, IDC_SETTINGS_FULL_WEEKDAY, IDC_SETTINGS_QUICK_HOUR,
                 IDC_SETTINGS_FULL_HOUR})
    List(id).SubclassDlgItem(id, m_hWnd);

  m_upperBox.title = t.LoadResString(IDS_SETTINGS_PROTECTION_BOX);
  m_lowerBox.title = t.LoadResString(IDS_SETTINGS_SCHEDULE_BOX);
  for (CTransButton* check : {&m_quickCheck, &m_fullCheck}) {
    check->m_textSize = 11;
    check->m_textBold = true;
  }
  m_labels[kQuarantineTitleLabel].SetFont(CreateThemeFont(true, 11, false, false));
  CThemeLabel& note = m_labels[kNoteLabel];
  note.m_textColor = t.GetColor(L"pages/settings/subtext");
  note.m_lineAlignment = 2;  // the text sits on the bottom of its rectangle
  note.Invalidate(FALSE);

  // The installer's schedules are written once, the first time the page is made.
  QVnsNVPairs::CNVPairs pairs;
  if (SUCCEEDED(FetchDocument(pairs, EngineDocuments::kNVPairs)) &&
      !FindExactPair(pairs, kScheduleDefaultsMarker)) {
    SetMarker(pairs, kScheduleDefaultsMarker);
    ApplyScheduleDefaults();
    StoreDocument(pairs, EngineDocuments::kNVPairs);
  }
  // A pairs document that cannot be read is left alone (its other pairs must
  // survive); the defaults are tried again the next time the page is made.
  FillLists();
  Layout();
  return FALSE;
}

void CSettingsPage::FillLists() {
  Fill(m_response, IDS_RESPONSE_LOG, kResponseEntries);
  Fill(m_quickFrequency, IDS_DAILY, 2);
  Fill(m_fullFrequency, IDS_DAILY, 2);
  Fill(m_quickWeekday, IDS_SUNDAY, kWeekdays);
  Fill(m_fullWeekday, IDS_SUNDAY, kWeekdays);
  for (CComboBox* hours : {&m_quickHour, &m_fullHour}) {
    hours->ResetContent();
    for (int h = 0; h < kHours; ++h) hours->AddString(HourEntry(h));
    hours->SetCurSel(0);
  }
  ShowSchedules();
}

// ---- showing what the engine holds ----------------------------------------

void CSettingsPage::ShowSchedules() {
  QVnsScanConfig::CScanConfig config;
  if (FAILED(FetchDocument(config, EngineDocuments::kScanConfig))) return;
  ShowSchedule(kQuickColumn, ViewOfSchedule(LastScheduleOfType(config, kQuickScheduleType)));
  ShowSchedule(kFullColumn, ViewOfSchedule(LastScheduleOfType(config, kFullScheduleType)));
  m_apply.EnableWindow(FALSE);
}

void CSettingsPage::ShowSchedule(const ScheduleColumnIds& column, const ScheduleView& view) {
  Check(column.check).SetCheck(view.checked ? BST_CHECKED : BST_UNCHECKED);
  List(column.frequency).EnableWindow(view.checked);
  List(column.hour).EnableWindow(view.checked);
  List(column.weekday).EnableWindow(view.checked);
  if (!view.hasSchedule) return;
  List(column.frequency).SetCurSel(view.frequency);
  List(column.weekday).EnableWindow(view.weekdayEnabled);
  List(column.weekday).SetCurSel(view.weekday);
  if (view.hour) List(column.hour).SetCurSel(*view.hour);
}

void CSettingsPage::ShowProtectionSettings() {
  QVnsScanConfig::CScanConfig config;
  if (FAILED(FetchDocument(config, EngineDocuments::kScanConfig))) return;
  m_retention.SetCheck(config.DaysToKeepQuarantinedItems.Get() != 0 ? BST_CHECKED : BST_UNCHECKED);
  QVnsAPConfig::CAPConfig protection;
  if (FAILED(FetchDocument(protection, EngineDocuments::kAPConfig))) return;
  // A response past the list's entries shows no selection.
  if (auto index = ResponseIndex(protection.Enabled.Get(),
                                 protection.KnownBadApplicationResponseEnum.Get()))
    m_response.SetCurSel(*index < m_response.GetCount() ? *index : -1);
}

void CSettingsPage::OnShowWindow(BOOL show, UINT status) {
  CBaseDlg::OnShowWindow(show, status);
  if (!show) return;
  ShowSchedules();
  ShowProtectionSettings();
}

// ---- schedules --------------------------------------------------------------

void CSettingsPage::ApplyScheduleDefaults() {
  auto defaults = ReadMachineScheduleDefaults(settings::MachineKeyPathFromTheme());
  if (!defaults || !defaults->Complete()) return;
  QVnsScanConfig::CScanConfig config;
  if (FAILED(FetchDocument(config, EngineDocuments::kScanConfig))) return;
  settings_page::ApplyScheduleDefaults(config, *defaults);
  StoreDocument(config, EngineDocuments::kScanConfig);
  ShowSchedules();
}

void CSettingsPage::EnableScheduleControls() {
  for (const ScheduleColumnIds* column : {&kQuickColumn, &kFullColumn}) {
    const bool checked = Check(column->check).GetCheck() == BST_CHECKED;
    List(column->frequency).EnableWindow(checked);
    List(column->hour).EnableWindow(checked);
    List(column->weekday).EnableWindow(checked && List(column->frequency).GetCurSel() != 0);
  }
  m_apply.EnableWindow(TRUE);
}

void CSettingsPage::ApplySchedules() {
  QVnsScanConfig::CScanConfig config;
  if (FAILED(FetchDocument(config, EngineDocuments::kScanConfig))) return;
  auto choice = [this](const ScheduleColumnIds& column) -> std::optional<ScheduleChoice> {
    if (Check(column.check).GetCheck() != BST_CHECKED) return std::nullopt;
    CComboBox& hours = List(column.hour);
    const int hour = hours.GetCurSel();
    return ScheduleChoice{List(column.frequency).GetCurSel() != 0,
                          List(column.weekday).GetCurSel(),
                          hour >= 0 && hour < kHours ? HourEntry(hour) : std::wstring()};
  };
  settings_page::ApplySchedules(config, choice(kQuickColumn), choice(kFullColumn), m_randomDraw);
  StoreDocument(config, EngineDocuments::kScanConfig);
  ShowSchedules();
}

bool CSettingsPage::Confirm() {
  return AppMessageBox(m_hWnd, Theme().LoadResString(IDS_SETTINGS_CONFIRM_RESTORE),
                       Theme().GetString(L"app_name"), MB_YESNO | MB_ICONQUESTION) != IDNO;
}

void CSettingsPage::RestoreDefaultSchedules() {
  if (Confirm()) ApplyScheduleDefaults();
}

// ---- protection -------------------------------------------------------------

void CSettingsPage::RetentionChanged() {
  QVnsScanConfig::CScanConfig config;
  if (FAILED(FetchDocument(config, EngineDocuments::kScanConfig))) return;
  config.DaysToKeepQuarantinedItems.Set(m_retention.GetCheck() == BST_CHECKED ? kRetentionDays
                                                                              : 0);
  StoreDocument(config, EngineDocuments::kScanConfig);
}

void CSettingsPage::ResponseChanged() {
  // Without a selection there is nothing the user chose.
  auto response = ResponseForIndex(m_response.GetCurSel());
  if (!response) return;
  QVnsAPConfig::CAPConfig protection;
  if (FAILED(FetchDocument(protection, EngineDocuments::kAPConfig))) return;
  protection.Enabled.Set(true);
  protection.KnownBadApplicationResponseEnum.Set(*response);
  StoreDocument(protection, EngineDocuments::kAPConfig);
}

void CSettingsPage::RestoreRecommendedProtection() {
  if (!Confirm()) return;
  QVnsScanConfig::CScanConfig config;
  if (FAILED(FetchDocument(config, EngineDocuments::kScanConfig))) return;
  config.DaysToKeepQuarantinedItems.Set(kRetentionDays);
  StoreDocument(config, EngineDocuments::kScanConfig);
  m_retention.SetCheck(BST_CHECKED);
  QVnsAPConfig::CAPConfig protection;
  if (FAILED(FetchDocument(protection, EngineDocuments::kAPConfig))) return;
  protection.KnownBadApplicationResponseEnum.Set(kRecommendedResponse);
  StoreDocument(protection, EngineDocuments::kAPConfig);
  ShowProtectionSettings();
}

void CSettingsPage::ApplyActiveProtectionDefaults() {
  QVnsAPConfig::CAPConfig protection;
  if (FAILED(FetchDocument(protection, EngineDocuments::kAPConfig))) return;
  const bool autoProtection =
      settings::CMachineSettings(settings::MachineKeyPathFromTheme()).AutoActiveProtection();
  // A pairs document that cannot be read is not replaced: the defaults then
  // only switch protection back on, and the first time comes again later.
  bool firstTime = false;
  QVnsNVPairs::CNVPairs pairs;
  if (SUCCEEDED(FetchDocument(pairs, EngineDocuments::kNVPairs))) {
    const QVnsNVPairs::CNVPair* marker = FindExactPair(pairs, kProtectionDefaultsMarker);
    firstTime = !marker || marker->Value.Get() != kMarkerSet;
    if (firstTime) {
      SetMarker(pairs, kProtectionDefaultsMarker);
      StoreDocument(pairs, EngineDocuments::kNVPairs);
    }
  }
  if (!settings_page::ApplyActiveProtectionDefaults(protection, autoProtection, firstTime)) return;
  StoreDocument(protection, EngineDocuments::kAPConfig);
  if (m_hWnd) ShowProtectionSettings();
}

// ---- messages -----------------------------------------------------------------

bool CSettingsPage::OnCommand(UINT id, UINT code, HWND control) {
  if (!control) return CBaseDlg::OnCommand(id, code, control);
  switch (id) {
    case IDC_SETTINGS_RETENTION:
      if (code == BN_CLICKED) RetentionChanged();
      return true;
    case IDC_SETTINGS_QUICK_CHECK:
    case IDC_SETTINGS_FULL_CHECK:
      if (code == BN_CLICKED) EnableScheduleControls();
      return true;
    case IDC_SETTINGS_QUICK_FREQUENCY:
    case IDC_SETTINGS_FULL_FREQUENCY:
      if (code == CBN_SELCHANGE) EnableScheduleControls();
      return true;
    case IDC_SETTINGS_QUICK_WEEKDAY:
    case IDC_SETTINGS_FULL_WEEKDAY:
    case IDC_SETTINGS_QUICK_HOUR:
    case IDC_SETTINGS_FULL_HOUR:
      if (code == CBN_SELCHANGE) m_apply.EnableWindow(TRUE);
      return true;
    case IDC_SETTINGS_APPLY:
      if (code == BN_CLICKED) ApplySchedules();
      return true;
    case IDC_SETTINGS_RESTORE_SCHEDULES:
      if (code == BN_CLICKED) RestoreDefaultSchedules();
      return true;
    case IDC_SETTINGS_RESPONSE:
      if (code == CBN_SELCHANGE) ResponseChanged();
      return true;
    case IDC_SETTINGS_RESTORE_PROTECTION:
      if (code == BN_CLICKED) RestoreRecommendedProtection();
      return true;
    default:
      return CBaseDlg::OnCommand(id, code, control);
  }
}

LRESULT CSettingsPage::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == msg::kSettingsDefinitionsChanged) {
    ApplyActiveProtectionDefaults();
    return 0;
  }
  return CBaseDlg::WindowProc(msg, wp, lp);
}

// ---- layout and painting ------------------------------------------------------

void CSettingsPage::OnSize(UINT type, int cx, int cy) {
  CBaseDlg::OnSize(type, cx, cy);
  Layout();
}

void CSettingsPage::Layout() {
  if (!m_hWnd || !m_apply.m_hWnd) return;
  std::map<int, SIZE> sizes;
  std::map<int, HWND> windows;
  for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    RECT r{};
    ::GetWindowRect(child, &r);
    const int id = ::GetDlgCtrlID(child);
    sizes[id] = SIZE{r.right - r.left, r.bottom - r.top};
    windows[id] = child;
  }
  const SettingsLayout l =
      ComputeSettingsLayout(GetClientRect(), sizes, ImageSize(m_quarantinePicture.get()));
  auto assign = [](CThemeBox& box, const RECT& r) {
    box.left = r.left;
    box.top = r.top;
    box.right = r.right;
    box.bottom = r.bottom;
  };
  assign(m_upperBox, l.upperBox);
  assign(m_lowerBox, l.lowerBox);
  m_picture = l.picture;
  for (const auto& [id, r] : l.controls) {
    auto it = windows.find(id);
    if (it == windows.end()) continue;
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (!LayoutSizesControl(id)) flags |= SWP_NOSIZE;
    ::SetWindowPos(it->second, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, flags);
  }
  Invalidate(FALSE);
}

void CSettingsPage::DrawContent(Graphics& g) {
  DrawThemeBox(g, m_upperBox);
  DrawThemeBox(g, m_lowerBox);
  if (m_quarantinePicture && m_textBackground) {
    const SIZE back = ImageSize(m_textBackground.get());
    g.DrawImage(m_textBackground.get(), static_cast<INT>(m_picture.x - 20),
                static_cast<INT>(m_picture.y - 15), static_cast<INT>(back.cx),
                static_cast<INT>(back.cy));
    const SIZE pic = ImageSize(m_quarantinePicture.get());
    g.DrawImage(m_quarantinePicture.get(), static_cast<INT>(m_picture.x),
                static_cast<INT>(m_picture.y), static_cast<INT>(pic.cx), static_cast<INT>(pic.cy));
  }
  Pen underline(ToColor(Theme().GetColor(L"pages/settings/underline")), 1.0f);
  g.SetSmoothingMode(SmoothingModeNone);
  for (CWnd* check : {static_cast<CWnd*>(&m_quickCheck), static_cast<CWnd*>(&m_fullCheck)}) {
    if (!check->m_hWnd) continue;
    const RECT r = check->GetRectInParent();
    const REAL y = static_cast<REAL>(r.bottom + 2);
    g.DrawLine(&underline, PointF(static_cast<REAL>(r.left), y),
               PointF(static_cast<REAL>(r.right), y));
  }
}
