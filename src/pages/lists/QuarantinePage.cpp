#include "pages/lists/QuarantinePage.h"

#include "engine/EngineSession.h"
#include "framework/WinAppEx.h"
#include "pages/lists/QuarantineRecords.h"
#include "themedata/resource.h"

QuarantinePageLayout ComputeQuarantinePageLayout(int w, int h, int countWidth) {
  QuarantinePageLayout l;
  l.count = RECT{20, 90, 20 + countWidth, 108};
  l.caption = RECT{20 + countWidth, 90, w - 20, 108};
  l.explanation = RECT{20, 108, w - 20, 144};
  l.deleteButton = RECT{w - 130, h - 34, w - 20, h - 10};
  l.restoreButton = RECT{w - 250, h - 34, w - 140, h - 10};
  l.list = RECT{20, 158, w - 20, h - 44};
  return l;
}

namespace {

std::wstring AppTitleText() { return AfxGetApp() ? AfxGetApp()->AppTitle() : std::wstring(); }

void MoveItem(HWND item, const RECT& r) {
  if (item) ::MoveWindow(item, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

// Turns redrawing of the list's rows off for one scope.
class RowsRedrawOff {
 public:
  explicit RowsRedrawOff(CCustomList& rows) : m_rows(rows) { m_rows.SetRedraw(false); }
  ~RowsRedrawOff() { m_rows.SetRedraw(true); }
  RowsRedrawOff(const RowsRedrawOff&) = delete;
  RowsRedrawOff& operator=(const RowsRedrawOff&) = delete;

 private:
  CCustomList& m_rows;
};

}  // namespace

CQuarantinePage::CQuarantinePage() : CBaseDlg(IDD_QUARANTINE) {}

CQuarantinePage::~CQuarantinePage() { DestroyWindow(); }

BOOL CQuarantinePage::OnInitDialog() {
  CBaseDlg::OnInitDialog();
  CThemeResources& t = Theme();
  m_textColor = t.GetColor(L"pages/title");
  SetHeader(LoadThemeImage(L"Images/headers/header_quarantine.png"),
            t.LoadResString(IDS_QUARANTINE_TITLE), t.LoadResString(IDS_QUARANTINE_SUBTITLE));
  m_count.SubclassDlgItem(IDC_QUARANTINE_COUNT, m_hWnd);
  m_count.m_textColor = t.GetColor(L"pages/quarantine/count");
  m_count.SetFont(CreateThemeFont(true, 9, false, false));
  m_caption.SubclassDlgItem(IDC_QUARANTINE_CAPTION, m_hWnd);
  m_explanation.SubclassDlgItem(IDC_QUARANTINE_EXPLANATION, m_hWnd);

  const RECT c = GetClientRect();
  m_list.CreateThreatList(m_hWnd, ComputeQuarantinePageLayout(c.right, c.bottom, 0).list);
  m_list.EnableCheckBoxes();
  m_list.SetEmptyText(t.LoadResString(IDS_QUARANTINE_EMPTY));
  // The list comes after the texts and before the buttons in Tab order.
  if (m_list.m_hWnd)
    ::SetWindowPos(m_list.m_hWnd, m_explanation.m_hWnd, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ShowTraceCount();
  return FALSE;
}

void CQuarantinePage::Layout() {
  if (!m_hWnd) return;
  const RECT c = GetClientRect();
  const int countWidth = m_count.m_hWnd ? MeasureLabelText(nullptr, m_count).cx : 0;
  const QuarantinePageLayout l = ComputeQuarantinePageLayout(c.right, c.bottom, countWidth);
  MoveItem(m_count.m_hWnd, l.count);
  MoveItem(m_caption.m_hWnd, l.caption);
  MoveItem(m_explanation.m_hWnd, l.explanation);
  MoveItem(GetDlgItem(IDC_QUARANTINE_DELETE), l.deleteButton);
  MoveItem(GetDlgItem(IDC_QUARANTINE_RESTORE), l.restoreButton);
  if (m_list.m_hWnd) m_list.MoveList(l.list);
  Invalidate(FALSE);
}

void CQuarantinePage::OnSize(UINT type, int cx, int cy) {
  CBaseDlg::OnSize(type, cx, cy);
  Layout();
}

void CQuarantinePage::OnShowWindow(BOOL show, UINT status) {
  CBaseDlg::OnShowWindow(show, status);
  if (show) LoadQuarantineList();
}

void CQuarantinePage::ShowTraceCount() {
  if (!m_count.m_hWnd) return;
  m_count.m_text = std::to_wstring(m_list.TotalTraces());
  m_count.SetText(m_count.m_text);
  Layout();
  m_count.Invalidate(FALSE);
}

void CQuarantinePage::LoadQuarantineList() {
  m_list.ClearThreats();
  {
    RowsRedrawOff quiet(m_list.Rows());
    auto service = Checked(Engine().Service());
    EngineString dataFolder;
    CheckEngine(service->GetDataFolder(dataFolder.Out()), service);
    // The zone is looked up once, not once per record.
    TIME_ZONE_INFORMATION current{};
    const bool known = m_zone || ::GetTimeZoneInformation(&current) != TIME_ZONE_ID_INVALID;
    const TIME_ZONE_INFORMATION* zone = m_zone ? &*m_zone : known ? &current : nullptr;
    for (ThreatRecord& record : ReadQuarantineFolder(QuarantineFolderOf(dataFolder.Str()),
                                                     threat::DetailTitles::FromTheme(), zone))
      m_list.AppendRecord(std::move(record));
  }
  ShowTraceCount();
  m_list.RefreshRows();
}

std::vector<std::wstring> CQuarantinePage::CheckedIds() const {
  std::vector<std::wstring> ids;
  for (const ThreatRecord& r : m_list.Records())
    if (r.checked) ids.push_back(r.quarantineId);
  return ids;
}

void CQuarantinePage::ApplyToEach(const std::vector<std::wstring>& ids,
                                  const std::function<void(const std::wstring& id)>& call) {
  try {
    for (const std::wstring& id : ids) {
      call(id);
      m_list.RemoveRecordByQuarantineId(id);
      ShowTraceCount();
    }
  } catch (...) {
    // The engine stopped part-way: what it still holds is shown again, as far
    // as it can be read, and the failure goes on to the caller.
    try {
      LoadQuarantineList();
    } catch (const EngineError&) {
    }
    throw;
  }
  LoadQuarantineList();
}

void CQuarantinePage::RestoreChecked() {
  const std::vector<std::wstring> ids = CheckedIds();
  const std::wstring title = AppTitleText();
  if (ids.empty()) {
    AppMessageBox(m_hWnd, Theme().LoadResString(IDS_QUARANTINE_NONE_TICKED), title,
                  MB_OK | MB_ICONINFORMATION);
    return;
  }
  const int answer = AppMessageBox(m_hWnd, Theme().LoadResString(IDS_QUARANTINE_RESTORE_QUESTION),
                                   title, MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer != IDYES && answer != IDNO) return;
  const unsigned char trust = answer == IDYES ? 1 : 0;
  auto quarantine = Checked(Engine().Quarantine());
  ApplyToEach(ids, [&](const std::wstring& id) {
    EngineString item(id);
    CheckEngine(quarantine->RestoreItem(item.Get(), nullptr, trust,
                                        static_cast<LONG>(::GetCurrentProcessId())),
                quarantine);
  });
}

void CQuarantinePage::DeleteChecked() {
  const std::vector<std::wstring> ids = CheckedIds();
  const std::wstring title = AppTitleText();
  if (ids.empty()) {
    AppMessageBox(m_hWnd, Theme().LoadResString(IDS_QUARANTINE_NONE_TICKED), title,
                  MB_OK | MB_ICONINFORMATION);
    return;
  }
  if (AppMessageBox(m_hWnd, Theme().LoadResString(IDS_QUARANTINE_DELETE_QUESTION), title,
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  auto quarantine = Checked(Engine().Quarantine());
  ApplyToEach(ids, [&](const std::wstring& id) {
    EngineString item(id);
    CheckEngine(quarantine->DeleteItem(item.Get()), quarantine);
  });
}

bool CQuarantinePage::OnCommand(UINT id, UINT code, HWND control) {
  if (code == BN_CLICKED && id == IDC_QUARANTINE_RESTORE) {
    RestoreChecked();
    return true;
  }
  if (code == BN_CLICKED && id == IDC_QUARANTINE_DELETE) {
    DeleteChecked();
    return true;
  }
  return CBaseDlg::OnCommand(id, code, control);
}
