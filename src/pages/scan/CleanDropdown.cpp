#include "pages/scan/CleanDropdown.h"

#include <algorithm>

#include "controls/Drawing.h"
#include "controls/MemDC.h"
#include "framework/Gdi.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

using namespace Gdiplus;

namespace {
constexpr int kHeadHeight = 25;
constexpr wchar_t kArrowPicture[] = L"images/scan/icon_downarrow.png";
}  // namespace

// An option: a solid button that shows the keyboard focus like the hover state.
class CCleanDropdown::COption : public CSolidButton {
 public:
  bool PaintTo(HDC dc) override {
    const int saved = m_state;
    if (m_state == kNormal && ::GetFocus() == m_hWnd) m_state = kHover;
    bool done = CSolidButton::PaintTo(dc);
    m_state = saved;
    return done;
  }
};

CCleanDropdown::CCleanDropdown() : CDialog(IDD_CLEAN_DROPDOWN, Theme().ResourceModule()) {}

CCleanDropdown::~CCleanDropdown() { DestroyWindow(); }

bool CCleanDropdown::CreateDropdown(HWND list) {
  m_list = list;
  HWND owner = list ? ::GetAncestor(list, GA_ROOT) : nullptr;
  return Create(owner);
}

BOOL CCleanDropdown::OnInitDialog() {
  CThemeResources& theme = Theme();
  const ThemeColor key = theme.GetColor(L"pages/scan/clean_drop/alpha_bg");
  ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE,
                      ::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_TOOLWINDOW);
  ::SetLayeredWindowAttributes(m_hWnd, ToColorRef(key), 255, LWA_COLORKEY);
  for (size_t i = 0; i < m_options.size(); ++i) {
    auto option = std::make_unique<COption>();
    const int command = threat::kOptionCommands[i];
    if (option->SubclassDlgItem(static_cast<UINT>(command), m_hWnd)) {
      option->m_textColor = theme.GetColor(L"pages/scan/clean_drop/text");
      option->m_normalFill = theme.GetColor(L"pages/scan/clean_drop/bg");
      option->m_hoverFill = theme.GetColor(L"pages/scan/clean_drop/hover");
      option->m_pressedFill = theme.GetColor(L"pages/scan/clean_drop/down");
      option->m_disabledFill = theme.GetColor(L"pages/scan/clean_drop/disable");
      // The option texts are the action texts of the string table.
      std::wstring text = theme.LoadResString(threat::ActionTextId(threat::ActionOfOption(command)));
      if (!text.empty()) option->SetText(text);
    }
    m_options[i] = std::move(option);
  }
  auto arrow = LoadThemeImage(kArrowPicture);
  m_arrow.Assign(arrow.get());
  return FALSE;
}

CThemeButton* CCleanDropdown::OptionButton(int option) {
  for (size_t i = 0; i < m_options.size(); ++i)
    if (threat::kOptionCommands[i] == option && m_options[i] && m_options[i]->m_hWnd)
      return m_options[i].get();
  return nullptr;
}

void CCleanDropdown::OpenFor(const ThreatRecord& record, int row, const RECT& cell,
                             bool keyboard) {
  if (!m_hWnd) return;
  const int width = std::max<int>(cell.right - cell.left - 4, 40);
  m_layout = threat::ComputeDropdownLayout(record.canQuarantine, width);
  for (size_t i = 0; i < m_options.size(); ++i) {
    COption* option = m_options[i].get();
    if (!option || !option->m_hWnd) continue;
    const bool shown = m_layout.shown[i];
    option->EnableWindow(shown);
    option->ShowWindow(shown ? SW_SHOWNA : SW_HIDE);
    if (shown) option->MoveWindow(m_layout.options[i], FALSE);
  }
  RECT rc{cell.left + 2, cell.top + 2, cell.left + 2 + width, cell.top + 2 + m_layout.height};
  // Kept on the monitor: a row near the bottom opens the menu upwards.
  MONITORINFO mi{sizeof(mi)};
  if (::GetMonitorInfoW(::MonitorFromRect(&cell, MONITOR_DEFAULTTONEAREST), &mi)) {
    if (rc.bottom > mi.rcWork.bottom && cell.top - m_layout.height >= mi.rcWork.top)
      ::OffsetRect(&rc, 0, mi.rcWork.bottom - rc.bottom);
    if (rc.right > mi.rcWork.right) ::OffsetRect(&rc, mi.rcWork.right - rc.right, 0);
  }
  m_row = row;
  ::SetWindowPos(m_hWnd, HWND_TOP, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_SHOWWINDOW);
  ::SetActiveWindow(m_hWnd);
  if (keyboard) {
    MoveFocus(0);
  } else {
    ::SetFocus(m_hWnd);
  }
  Invalidate(FALSE);
}

void CCleanDropdown::Close() {
  if (!m_hWnd || !IsWindowVisible()) return;
  const bool hadFocus = ::GetFocus() && (::GetFocus() == m_hWnd || ::IsChild(m_hWnd, ::GetFocus()));
  ShowWindow(SW_HIDE);
  // The keyboard goes back to the list (its row container).
  if (hadFocus && m_list) {
    HWND root = ::GetAncestor(m_list, GA_ROOT);
    if (root) ::SetActiveWindow(root);
    HWND rows = ::GetDlgItem(m_list, IDC_THREAT_ROWS);
    ::SetFocus(rows ? rows : m_list);
  }
}

void CCleanDropdown::Choose(int option) {
  const int row = m_row;
  Close();
  if (m_list && row >= 0)
    ::SendMessageW(m_list, kMsgChooseAction, static_cast<WPARAM>(option), static_cast<LPARAM>(row));
}

int CCleanDropdown::FocusedIndex() const {
  HWND focus = ::GetFocus();
  for (size_t i = 0; i < m_options.size(); ++i)
    if (m_options[i] && m_options[i]->m_hWnd == focus) return static_cast<int>(i);
  return -1;
}

void CCleanDropdown::MoveFocus(int step) {
  const int n = threat::kOptionCount;
  // Step 0 starts at the first option, whatever had the focus before.
  int index = step == 0 ? -1 : FocusedIndex();
  if (index < 0) {
    index = step < 0 ? n : -1;
    step = step < 0 ? -1 : 1;
  }
  for (int tries = 0; tries < n; ++tries) {
    index = (index + step + n) % n;
    if (m_layout.shown[static_cast<size_t>(index)] && m_options[static_cast<size_t>(index)]) {
      ::SetFocus(m_options[static_cast<size_t>(index)]->m_hWnd);
      for (auto& option : m_options)
        if (option && option->m_hWnd) option->Invalidate(FALSE);
      return;
    }
  }
}

void CCleanDropdown::OnOK() {
  const int index = FocusedIndex();
  if (index >= 0) Choose(threat::kOptionCommands[static_cast<size_t>(index)]);
}

bool CCleanDropdown::PreTranslateMessage(MSG& msg) {
  if (msg.message == WM_KEYDOWN && IsOpen()) {
    switch (msg.wParam) {
      case VK_UP:
        MoveFocus(-1);
        return true;
      case VK_DOWN:
        MoveFocus(1);
        return true;
      case VK_TAB:
        MoveFocus(::GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
        return true;
      case VK_RETURN:
      case VK_SPACE:
        OnOK();
        return true;
      case VK_ESCAPE:
        Close();
        return true;
      default:
        break;
    }
  }
  if (msg.message == WM_KEYUP && (msg.wParam == VK_SPACE || msg.wParam == VK_RETURN)) return true;
  return CDialog::PreTranslateMessage(msg);
}

bool CCleanDropdown::OnCommand(UINT id, UINT code, HWND control) {
  // Option buttons post their command without a control handle.
  if (threat::ActionOfOption(static_cast<int>(id)) != -2) {
    if (code == 0 || code == BN_CLICKED) Choose(static_cast<int>(id));
    return true;
  }
  return CDialog::OnCommand(id, code, control);
}

LRESULT CCleanDropdown::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_ACTIVATE && LOWORD(wp) == WA_INACTIVE && IsWindowVisible()) {
    LRESULT r = CDialog::WindowProc(msg, wp, lp);
    ShowWindow(SW_HIDE);
    return r;
  }
  return CDialog::WindowProc(msg, wp, lp);
}

void CCleanDropdown::PaintTo(HDC dc) {
  RECT rc = GetClientRect();
  const int w = fw::Width(rc), h = fw::Height(rc);
  void* bits = nullptr;
  UniqueBitmap bmp = fw::CreateDib32(w, h, &bits);
  UniqueMemoryDC mem(::CreateCompatibleDC(dc));
  ScopedSelect sel(mem.get(), bmp.get());
  CThemeResources& theme = Theme();
  {
    CSurfaceGraphics sg(mem.get(), bits, w, h);
    Graphics& g = sg;
    // No anti-aliasing: blended edge pixels would miss the transparent key colour.
    g.SetSmoothingMode(SmoothingModeNone);
    g.Clear(ToOpaqueColor(theme.GetColor(L"pages/scan/clean_drop/alpha_bg")));
    DrawBox(15.0f, theme.GetColor(L"pages/scan/clean_drop/bg"),
            theme.GetColor(L"pages/scan/clean_drop/border"), 1.0f,
            RectF(0.0f, 0.0f, static_cast<REAL>(w - 1), static_cast<REAL>(h - 1)), kCornerAll, g);
    SolidBrush bottom(ToColor(theme.GetColor(L"pages/scan/clean_drop/bg_bottom")));
    g.FillRectangle(&bottom, 5, kHeadHeight, w - 10, h - kHeadHeight - 5);
    SolidBrush top(ToColor(theme.GetColor(L"pages/scan/clean_drop/bg_top")));
    g.FillRectangle(&top, 1, 12, w - 2, kHeadHeight - 12);
  }
  // The head: title and arrow.
  UniqueFont font = CreateThemeFont(false, -1, false, false);
  {
    ScopedSelect f(mem.get(), font.get());
    ::SetBkMode(mem.get(), TRANSPARENT);
    ::SetTextColor(mem.get(), ToColorRef(theme.GetColor(L"pages/scan/clean_drop/text")));
    RECT text{5, 0, w - 5 - m_arrow.Width(), kHeadHeight};
    std::wstring title = theme.LoadResString(IDS_CHOOSE_ACTION);
    ::DrawTextW(mem.get(), title.c_str(), static_cast<int>(title.size()), &text,
                DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  }
  m_arrow.Draw(mem.get(), w - 5 - m_arrow.Width(), (kHeadHeight - m_arrow.Height()) / 2);
  ::BitBlt(dc, 0, 0, w, h, mem.get(), 0, 0, SRCCOPY);
}

void CCleanDropdown::OnPaint() {
  fw::PaintDC pdc(m_hWnd);
  PaintTo(pdc.dc());
}

void CCleanDropdown::OnPrintClient(HDC dc, UINT) { PaintTo(dc); }

BOOL CCleanDropdown::OnEraseBkgnd(HDC) { return TRUE; }
