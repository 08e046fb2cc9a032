#include "pages/scan/OverviewPage.h"

#include <algorithm>

#include "app/MainFrame.h"
#include "app/Settings.h"
#include "controls/Drawing.h"
#include "engine/EngineDocuments.h"
#include "engine/EngineSession.h"
#include "engine/documents/NVPairs.h"
#include "engine/documents/NVPairsEngine.h"
#include "framework/WinAppEx.h"
#include "pages/scan/PageKeyboard.h"
#include "pages/scan/ScanPage.h"
#include "themedata/resource.h"

using namespace Gdiplus;

namespace {

struct ImageFile {
  const wchar_t* key;
  const wchar_t* file;
};
constexpr ImageFile kImages[] = {
    {L"comp_bg", L"Images\\Overview\\computer_bg.png"},
    {L"comp_green", L"Images\\Overview\\computer_green.png"},
    {L"comp_orange", L"Images\\Overview\\computer_orange.png"},
    {L"comp_red", L"Images\\Overview\\computer_red.png"},
    {L"calendar", L"Images\\Overview\\calendar.png"},
    {L"checkmark", L"Images\\Overview\\checkmark.png"},
    {L"status_green", L"Images\\Overview\\status_green.png"},
    {L"status_orange", L"Images\\Overview\\status_orange.png"},
    {L"status_red", L"Images\\Overview\\status_red.png"},
};

// A refresh whose engine call failed keeps its texts; the failure is traced.
template <class Refresh>
void RunRefresh(const wchar_t* what, Refresh&& refresh) {
  try {
    refresh();
  } catch (const EngineError& error) {
    wchar_t line[160];
    swprintf(line, std::size(line), L"overview: %ls failed: 0x%08lX\n", what,
             static_cast<unsigned long>(error.Result()));
    OutputDebugStringW(line);
  }
}

}  // namespace

COverviewPage::COverviewPage() : CBaseDlg(IDD_OVERVIEW) {
  m_definitionsSink.SetRefresh([this] {
    // Inside the engine's call: nothing may escape into it.
    RunRefresh(L"definitions refresh", [this] { RefreshDefinitionsDate(); });
  });
  if (auto service = Engine().Service()) m_definitionsSink.Connect(service);
}

COverviewPage::~COverviewPage() {
  m_definitionsSink.Disconnect();
  DestroyWindow();
}

void COverviewPage::OnDestroy() {
  m_definitionsSink.Disconnect();
  CBaseDlg::OnDestroy();
}

BOOL COverviewPage::OnInitDialog() {
  CBaseDlg::OnInitDialog();
  for (const ImageFile& image : kImages) m_images[image.key] = LoadThemeImage(image.file);

  CThemeResources& t = Theme();
  const RECT none{0, 0, 0, 0};
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
  // The texts name the buttons for screen readers; the pictures carry their own.
  m_customButton.Create(t.LoadResString(IDS_KIND_CUSTOM).c_str(), style, none, m_hWnd,
                        IDC_OVERVIEW_CUSTOM_SCAN);
  m_customButton.SetImages(L"Images\\Overview\\custom_scan.png",
                           L"Images\\Overview\\custom_scan_over.png",
                           L"Images\\Overview\\custom_scan_down.png", L"");
  m_startButton.Create(t.LoadResString(IDS_KIND_QUICK).c_str(), style, none, m_hWnd,
                       IDC_OVERVIEW_START_SCAN);
  m_customButton.m_acceptEnter = true;
  m_startButton.m_acceptEnter = true;
  m_startButton.SetImages(L"Images\\Overview\\start.png", L"Images\\Overview\\start_over.png",
                          L"Images\\Overview\\start_down.png", L"");

  EnsureScanSummaryPairs();
  RefreshAll();
  LayoutOverview();
  return FALSE;  // the page is not shown yet: no focus to give
}

Bitmap* COverviewPage::Image(const wchar_t* key) const {
  auto it = m_images.find(key);
  return it == m_images.end() ? nullptr : it->second.get();
}

Gdiplus::Font* COverviewPage::Font(const wchar_t* key) {
  auto it = m_fonts.find(key);
  if (it != m_fonts.end()) return it->second.get();
  int found = 0;
  HFONT font = Theme().GetFont(key, &found);
  auto& slot = m_fonts[key];
  if (found && font) slot = MakeGdiplusFont(font);
  return slot.get();
}

// ---- reading ----------------------------------------------------------------------

void COverviewPage::RefreshAll() {
  // One pass: one liveness probe for all the engine's answers, and nothing
  // repainted before every fact is in. (While a call to the engine waits, the
  // component runtime lets paint messages through: a page invalidated between
  // two calls would be painted half-read, once per call.)
  {
    CEngineSession::ProbeGroup probe(Engine());
    struct Defer {
      bool& flag;
      const bool before;
      explicit Defer(bool& f) : flag(f), before(f) { flag = true; }
      ~Defer() { flag = before; }
    } defer(m_deferRepaint);
    RunRefresh(L"GetDefinitionsStatus", [this] { RefreshDefinitionsDate(); });
    RunRefresh(L"GetLastScan", [this] { RefreshLastScan(); });
    RefreshCleanCount();
    RefreshScanSummary();
  }
  Repaint();
}

void COverviewPage::Repaint() {
  if (m_hWnd && !m_deferRepaint) Invalidate(FALSE);
}

void COverviewPage::RefreshDefinitionsDate() {
  CThemeResources& t = Theme();
  // Until the engine has given a date, the date is unknown.
  if (m_definitionsDate.empty()) m_definitionsDate = t.LoadResString(IDS_DEFINITIONS_UNKNOWN);
  auto definitions = Checked(Engine().ThreatDefinitions());
  LONG current = 0;
  EngineString date;
  const HRESULT hr = definitions->GetDefinitionsStatus(&current, date.Out());
  CheckEngine(hr, definitions);
  if (hr != S_OK) return;
  if (auto texts = FormatDefinitionsDate(date.View())) {
    m_definitionsDate = std::move(texts->date);
    m_definitionsTime = std::move(texts->time);
  } else {
    m_definitionsDate = t.LoadResString(IDS_DEFINITIONS_UNKNOWN);
    m_definitionsTime.clear();
  }
  Repaint();
}

void COverviewPage::RefreshLastScan() {
  CThemeResources& t = Theme();
  // Until the engine reports a scan, there has been none.
  if (m_lastScan.empty()) m_lastScan = t.LoadResString(IDS_NO_LAST_SCAN);
  auto control = Checked(Engine().ScanControl());
  LONG type = 0;
  EngineString when;
  const HRESULT hr = control->GetLastScan(&type, when.Out());
  CheckEngine(hr, control);
  if (hr != S_OK) return;
  const UINT kind = ScanKindTextId(type);
  auto line = FormatLastScanLine(when.View(), kind ? t.LoadResString(kind) : std::wstring());
  m_lastScan = line ? std::move(*line) : t.LoadResString(IDS_NO_LAST_SCAN);
  Repaint();
}

void COverviewPage::RefreshCleanCount() {
  const CWinAppEx* app = AfxGetApp();
  const int count =
      app ? app->ReadProfileInt(settings::kCleanCount, settings::kDefaultCleanCount) : 0;
  m_cleanCount = FormatCounted(Theme(), OverviewText::kCleanCount, {count});
  const settings::CMachineSettings machine(settings::MachineKeyPathFromTheme());
  if (auto installed = machine.InstallTime()) {
    const uint64_t ticks =
        (static_cast<uint64_t>(installed->dwHighDateTime) << 32) | installed->dwLowDateTime;
    if (auto text = FormatInstallDate(ticks)) m_installDate = std::move(*text);
  }
}

void COverviewPage::RefreshScanSummary() {
  // One fetch for the four pairs (the same first-match, case-blind lookup as
  // ReadPairInt); a document the engine cannot give reads as missing pairs.
  ScanSummary summary;
  QVnsNVPairs::CNVPairs pairs;
  if (SUCCEEDED(FetchDocument(pairs, EngineDocuments::kNVPairs))) {
    QVnsNVPairs::ReadPairInt64(pairs, L"last_full_scan", summary.lastFull);
    QVnsNVPairs::ReadPairInt64(pairs, L"last_quick_scan", summary.lastQuick);
    QVnsNVPairs::ReadPairInt(pairs, L"last_scan_threat_count", summary.threatCount);
    QVnsNVPairs::ReadPairInt(pairs, L"last_scan_threat_level", summary.threatLevel);
  }
  CThemeResources& t = Theme();
  const std::wstring never = t.LoadResString(IDS_NEVER);
  m_lastFull = FormatScanPairTime(summary.lastFull).value_or(never);
  m_lastQuick = FormatScanPairTime(summary.lastQuick).value_or(never);
  const StatusChoice choice = ChooseOverviewStatus(summary);
  std::wstring message = t.LoadResString(choice.messageId);
  if (choice.formatted) message = FormatTextNoArgs(message);
  SetStatusMessage(std::move(message), choice.status);
}

void COverviewPage::SetStatusMessage(std::wstring message, OverviewStatus status) {
  m_message = std::move(message);
  m_status = status;
  LayoutOverview();
  Repaint();
}

// ---- layout and window messages ---------------------------------------------------

void COverviewPage::LayoutOverview() {
  if (!m_hWnd || !m_customButton.m_hWnd) return;
  OverviewLayoutInput in{};
  in.client = GetClientRect();
  const RECT custom = m_customButton.GetClientRect();
  const RECT start = m_startButton.GetClientRect();
  in.customButton = SIZE{custom.right, custom.bottom};
  in.startButton = SIZE{start.right, start.bottom};
  in.computerBg = ImageSize(Image(L"comp_bg"));
  in.computer = ImageSize(Image(LookOfStatus(m_status).computer));
  Gdiplus::Font* stat = Font(L"pages/overview/stat");
  in.statFontHeight = stat ? stat->GetHeight(96.0f) : 0.0f;
  m_layout = ComputeOverviewLayout(in);
  const UINT flags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
  ::SetWindowPos(m_customButton.m_hWnd, nullptr, m_layout.customButton.x, m_layout.customButton.y,
                 0, 0, flags);
  ::SetWindowPos(m_startButton.m_hWnd, nullptr, m_layout.startButton.x, m_layout.startButton.y, 0,
                 0, flags);
}

void COverviewPage::OnSize(UINT type, int cx, int cy) {
  CBaseDlg::OnSize(type, cx, cy);
  LayoutOverview();
  Invalidate(FALSE);
}

void COverviewPage::OnMove(int x, int y) {
  CBaseDlg::OnMove(x, y);
  LayoutOverview();
}

void COverviewPage::OnShowWindow(BOOL show, UINT status) {
  CBaseDlg::OnShowWindow(show, status);
  if (show) RefreshAll();
}

bool COverviewPage::OnCommand(UINT id, UINT code, HWND control) {
  if (code == BN_CLICKED && id == IDC_OVERVIEW_CUSTOM_SCAN) {
    OnCustomScan();
    return true;
  }
  if (code == BN_CLICKED && id == IDC_OVERVIEW_START_SCAN) {
    OnStartScan();
    return true;
  }
  return CBaseDlg::OnCommand(id, code, control);
}

bool COverviewPage::PreTranslateMessage(MSG& msg) {
  if (ClickFocusedButtonOnEnter(m_hWnd, msg, {IDC_OVERVIEW_CUSTOM_SCAN, IDC_OVERVIEW_START_SCAN}))
    return true;
  return CBaseDlg::PreTranslateMessage(msg);
}

void COverviewPage::OnCustomScan() {
  CMainFrame* frame = GetMainFrame();
  CScanPage* scan = frame ? frame->ScanPage() : nullptr;
  if (!scan) return;
  scan->ChooseCustomScan();
  frame->SetTabPage(CMainFrame::kTabScan, scan);
  if (frame->GetTabCount() > 1) frame->SelectTab(CMainFrame::kTabScan, false);
}

void COverviewPage::OnStartScan() {
  CMainFrame* frame = GetMainFrame();
  if (CScanPage* scan = frame ? frame->ScanPage() : nullptr) scan->BeginScan(kScanQuick);
}

// ---- painting ------------------------------------------------------------------------

std::wstring COverviewPage::PictureKey() {
  // Everything DrawContent shows besides the theme's fixed pictures and colours.
  std::wstring key;
  for (const std::wstring* text : {&m_message, &m_definitionsDate, &m_definitionsTime, &m_cleanCount,
                                   &m_installDate, &m_lastFull, &m_lastQuick, &m_lastScan}) {
    key += *text;
    key += L'\n';
  }
  wchar_t numbers[256];
  const OverviewLayout& l = m_layout;
  swprintf(numbers, std::size(numbers), L"%d|%d|%g,%g,%g,%g|%g,%g,%g,%g|%g,%g,%g,%g|%g,%g,%g,%g|%g,%g,%g,%g",
           static_cast<int>(m_status), l.contentBottom, l.banner.X, l.banner.Y, l.banner.Width,
           l.banner.Height, l.computer.X, l.computer.Y, l.computer.Width, l.computer.Height,
           l.computerBg.X, l.computerBg.Y, l.computerBg.Width, l.computerBg.Height, l.stats.X,
           l.stats.Y, l.stats.Width, l.stats.Height, l.schedule.X, l.schedule.Y,
           l.schedule.Width, l.schedule.Height);
  return key + numbers;
}

void COverviewPage::DrawBackground(HDC surface, const RECT& client) {
  // The two areas cover the page: drawn with GDI when their colours are opaque
  // (the tiled page background would only be painted over).
  CThemeResources& t = Theme();
  const ThemeColor start = t.GetColor(L"pages/overview/top_bg_start");
  const ThemeColor end = t.GetColor(L"pages/overview/top_bg_end");
  const ThemeColor below = t.GetColor(L"pages/overview/bottom_bg");
  m_areasDrawn = false;
  if (ThemeAlpha(start) != 255 || ThemeAlpha(end) != 255 || ThemeAlpha(below) != 255) {
    CBaseDlg::DrawBackground(surface, client);
    return;
  }
  const int bottom = std::clamp(m_layout.contentBottom, static_cast<int>(client.top),
                                static_cast<int>(client.bottom));
  const RECT top{client.left, client.top, client.right, bottom};
  if (bottom > client.top) FillVerticalGradientGdi(surface, top, start, end);
  const RECT rest{client.left, bottom, client.right, client.bottom};
  UniqueBrush brush(::CreateSolidBrush(ToColorRef(below)));
  ::FillRect(surface, &rest, brush.get());
  m_areasDrawn = true;
}

void COverviewPage::DrawContent(Graphics& g) {
  CThemeResources& t = Theme();
  const RECT client = GetClientRect();
  const float width = static_cast<float>(client.right - client.left);
  const float bottom = static_cast<float>(m_layout.contentBottom);
  g.SetSmoothingMode(SmoothingModeAntiAlias);
  // Unless DrawBackground drew them: the gradient above the content bottom, the
  // plain area below it.
  if (!m_areasDrawn && bottom > client.top) {
    const RectF top(static_cast<float>(client.left), static_cast<float>(client.top), width,
                    bottom - client.top);
    LinearGradientBrush gradient(RectF(top.X, top.Y - 1, top.Width, top.Height + 2),
                                 ToColor(t.GetColor(L"pages/overview/top_bg_start")),
                                 ToColor(t.GetColor(L"pages/overview/top_bg_end")),
                                 LinearGradientModeVertical);
    g.FillRectangle(&gradient, top);
  }
  if (!m_areasDrawn) {
    SolidBrush below(ToColor(t.GetColor(L"pages/overview/bottom_bg")));
    g.FillRectangle(&below, RectF(static_cast<float>(client.left), bottom, width,
                                  static_cast<float>(client.bottom) - bottom));
  }
  Pen divide(ToColor(t.GetColor(L"pages/overview/divide")), 1.9f);
  g.DrawLine(&divide, static_cast<float>(client.left), bottom, static_cast<float>(client.right),
             bottom);

  DrawBanner(g);
  if (Bitmap* bg = Image(L"comp_bg"))
    g.DrawImage(bg, m_layout.computerBg.X, m_layout.computerBg.Y, m_layout.computerBg.Width,
                m_layout.computerBg.Height);
  if (Bitmap* computer = Image(LookOfStatus(m_status).computer))
    g.DrawImage(computer, m_layout.computer.X, m_layout.computer.Y, m_layout.computer.Width,
                m_layout.computer.Height);
  DrawStatistics(g);
  DrawSchedule(g);
}

void COverviewPage::DrawBanner(Graphics& g) {
  CThemeResources& t = Theme();
  const StatusLook look = LookOfStatus(m_status);
  const RectF& b = m_layout.banner;
  if (b.Width <= 0 || b.Height <= 0) return;
  const Color bottom = ToColor(t.GetColor(look.bannerBottom));
  LinearGradientBrush gradient(RectF(b.X, b.Y - 1, b.Width, b.Height + 2),
                               ToColor(t.GetColor(look.bannerTop)), bottom,
                               LinearGradientModeVertical);
  g.FillRectangle(&gradient, b);
  Pen outline(bottom, 1.0f);
  g.DrawRectangle(&outline, b);
  Bitmap* icon = Image(look.icon);
  const SIZE iconSize = ImageSize(icon);
  if (icon)
    g.DrawImage(icon, b.X + 10, b.Y + (b.Height - iconSize.cy) / 2, static_cast<REAL>(iconSize.cx),
                static_cast<REAL>(iconSize.cy));
  Gdiplus::Font* font = Font(L"pages/overview/msg");
  if (m_message.empty() || !font) return;
  const float left = b.X + 10 + iconSize.cx + 5;
  const RectF text(left, b.Y, std::max(0.0f, b.GetRight() - 15 - left), b.Height);
  StringFormat format;
  format.SetAlignment(StringAlignmentNear);
  format.SetLineAlignment(StringAlignmentCenter);
  format.SetTrimming(StringTrimmingEllipsisWord);
  format.SetFormatFlags(StringFormatFlagsNoWrap);
  SolidBrush brush(ToColor(t.GetColor(L"pages/overview/msg_text")));
  g.SetTextRenderingHint(TextRenderingHintAntiAlias);
  DrawFittedString(g, *font, m_message, text, format, brush);
}

void COverviewPage::DrawStatistics(Graphics& g) {
  CThemeResources& t = Theme();
  Gdiplus::Font* bold = Font(L"pages/overview/stat_bold");
  Gdiplus::Font* normal = Font(L"pages/overview/stat");
  if (!normal) return;
  const float line = static_cast<float>(static_cast<int>(normal->GetHeight(96.0f)));
  Bitmap* check = Image(L"checkmark");
  const SIZE checkSize = ImageSize(check);
  const Color textColor = ToColor(t.GetColor(L"pages/overview/text"));
  const Color neverColor = ToColor(t.GetColor(L"pages/overview/text_never"));
  const bool scansNever = ScanTextsBothNever(m_lastFull, m_lastQuick);
  const bool definitionsUnknown = m_definitionsDate == t.LoadResString(IDS_DEFINITIONS_UNKNOWN);

  struct Cell {
    UINT label;
    const std::wstring* values[2];
    bool never[2];
  };
  const Cell cells[4] = {
      {IDS_LABEL_QUICK_SCAN, {&m_lastQuick, nullptr}, {scansNever, false}},
      {IDS_LABEL_FULL_SCAN, {&m_lastFull, nullptr}, {scansNever, false}},
      {IDS_LABEL_DEFINITIONS,
       {&m_definitionsDate, &m_definitionsTime},
       {definitionsUnknown, false}},
      {IDS_LABEL_INSTALLED, {&m_installDate, &m_cleanCount}, {false, false}},
  };
  StringFormat format;
  format.SetAlignment(StringAlignmentNear);
  format.SetLineAlignment(StringAlignmentCenter);
  format.SetTrimming(StringTrimmingEllipsisCharacter);
  format.SetFormatFlags(StringFormatFlagsNoWrap);
  g.SetTextRenderingHint(TextRenderingHintClearTypeGridFit);
  for (int i = 0; i < 4; ++i) {
    const RectF cell = StatisticsCell(m_layout.stats, i % 2, i / 2);
    if (check)
      g.DrawImage(check, cell.X, cell.Y + (line - checkSize.cy) / 2,
                  static_cast<REAL>(checkSize.cx), static_cast<REAL>(checkSize.cy));
    const float x = cell.X + checkSize.cx + 5;
    const float w = std::max(0.0f, m_layout.stats.Width / 2 - 10 - checkSize.cx);
    SolidBrush labelBrush(textColor);
    if (bold)
      DrawFittedString(g, *bold, t.LoadResString(cells[i].label), RectF(x, cell.Y, w, line), format,
                       labelBrush);
    for (int k = 0; k < 2; ++k) {
      if (!cells[i].values[k]) continue;
      SolidBrush brush(cells[i].never[k] ? neverColor : textColor);
      DrawFittedString(g, *normal, *cells[i].values[k], RectF(x, cell.Y + line * (k + 1), w, line),
                       format, brush);
    }
  }
}

void COverviewPage::DrawSchedule(Graphics& g) {
  CThemeResources& t = Theme();
  const RectF& box = m_layout.schedule;
  if (box.Width <= 0 || box.Height <= 0) return;
  DrawBox(10.0f, t.GetColor(L"pages/overview/schedule_bg"), t.GetColor(L"pages/overview/frame"),
          1.0f, box, kCornerAll, g);
  Gdiplus::Font* bold = Font(L"pages/overview/stat_bold");
  Gdiplus::Font* normal = Font(L"pages/overview/stat");
  if (!normal) return;
  const float line = static_cast<float>(static_cast<int>(normal->GetHeight(96.0f)));
  const float top = box.Y + (box.Height - 2 * line) / 2;
  Bitmap* calendar = Image(L"calendar");
  const SIZE size = ImageSize(calendar);
  const float iconX = box.X + 25;
  if (calendar)
    g.DrawImage(calendar, iconX, top + (line - size.cy) / 2, static_cast<REAL>(size.cx),
                static_cast<REAL>(size.cy));
  const float x = iconX + size.cx + 5;
  const RectF first(x, top, std::max(0.0f, box.GetRight() - 10 - x), line);
  const RectF second(x, top + line, first.Width, line);
  StringFormat format;
  format.SetAlignment(StringAlignmentNear);
  format.SetLineAlignment(StringAlignmentCenter);
  format.SetTrimming(StringTrimmingEllipsisCharacter);
  format.SetFormatFlags(StringFormatFlagsNoWrap);
  SolidBrush brush(ToColor(t.GetColor(L"pages/overview/text")));
  if (bold) DrawFittedString(g, *bold, t.LoadResString(IDS_LABEL_LAST_SCAN), first, format, brush);
  DrawFittedString(g, *normal, m_lastScan, second, format, brush);
}
