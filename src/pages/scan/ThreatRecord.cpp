#include "pages/scan/ThreatRecord.h"

#include <algorithm>
#include <numeric>

#include "theme/ThemeResources.h"
#include "themedata/resource.h"

namespace threat {

bool IsHandledResult(int cleanerResult) {
  return cleanerResult == 1 || cleanerResult == 3 || cleanerResult == 6;
}

UINT ActionTextId(int code) {
  if (code < kActionAdvised || code > kActionLast) return 0;
  return IDS_ACTION_ADVICE + static_cast<UINT>(code + 1);
}

UINT ActionColumnTextId(const ThreatRecord& record) {
  return record.handled ? IDS_HANDLED : ActionTextId(record.action);
}

DetailTitles DetailTitles::FromTheme() {
  CThemeResources& theme = Theme();
  return {theme.LoadResString(IDS_ADVICE_PREFIX), theme.LoadResString(IDS_DESCRIPTION_PREFIX),
          theme.LoadResString(IDS_TRACES_TITLE)};
}

Severity SeverityOf(int lowestLevel) {
  if (lowestLevel >= 1 && lowestLevel <= 3) return Severity::Red;
  if (lowestLevel == 4 || lowestLevel == 5) return Severity::Orange;
  return Severity::Green;
}

const SeverityLook& LookOf(Severity severity) {
  static const SeverityLook kRed{L"general/header/red_top", L"general/header/red_bottom",
                                 L"Images/overview/status_red.png", L"Images/scan/computer_red.png"};
  static const SeverityLook kOrange{L"general/header/orange_top", L"general/header/orange_bottom",
                                    L"Images/overview/status_orange.png",
                                    L"Images/scan/computer_orange.png"};
  static const SeverityLook kGreen{L"general/header/green_top", L"general/header/green_bottom",
                                   L"Images/overview/status_green.png",
                                   L"Images/scan/computer_green.png"};
  switch (severity) {
    case Severity::Red:
      return kRed;
    case Severity::Orange:
      return kOrange;
    default:
      return kGreen;
  }
}

int LowestLevel(const std::vector<ThreatRecord>& records) {
  int lowest = kNoDamageLevel;
  for (const ThreatRecord& r : records) lowest = std::min(lowest, r.level);
  return lowest;
}

int DamageIndex(int level, bool handled) {
  if (handled || level < 1 || level > 5) return 0;
  return 6 - level;
}

std::wstring DamagePicturePath(int index) {
  return L"Images\\Scan\\damage_level\\damage" + std::to_wstring(index) + L".png";
}

ThreatRecord RecordFromThreat(QVnsScanResults::Cthreat_2& t, const DetailTitles& titles) {
  ThreatRecord r;
  r.source = &t;
  r.name = t.name.Get();
  r.category = t.category.Get();
  r.adviceText = titles.advice + t.threatAdviceDetails.Get();
  r.descriptionText = titles.description + t.desc.Get();
  r.adviseType = static_cast<int>(t.adviseType.Get());
  const int requested = t.actionRequested.Get();
  r.action = requested == kActionAdvised ? r.adviseType : requested;
  r.level = static_cast<int>(t.level.Get());
  r.canQuarantine = t.canQuarantine.Get();
  r.handled = IsHandledResult(t.cleanerResult.Get());
  r.tracesText = titles.traces;
  if (const QVnsScanResults::Ctraces* traces = t.traces.Get()) {
    r.traces.reserve(traces->trace.Count());
    for (const QVnsScanResults::Ctrace& trace : traces->trace) {
      r.tracesText += L'\n';
      r.tracesText += trace.dispValue.Get();
      r.traces.push_back({trace.dispValue.Get(), r.handled});
    }
  }
  r.traceCount = r.handled ? 0 : static_cast<int>(r.traces.size());
  return r;
}

ThreatRecord RecordFromScanThreat(const ScanThreat& threat, const DetailTitles& titles) {
  ThreatRecord r;
  r.name = threat.name;
  r.category = threat.category;
  r.adviceText = titles.advice + threat.adviceText;
  r.descriptionText = titles.description + threat.descriptionText;
  r.adviseType = threat.adviseType;
  r.action = threat.adviseType;
  r.level = threat.level;
  r.tracesText = titles.traces + L'\n' + threat.traceText;
  r.traces.push_back({threat.traceText, false});
  r.traceCount = 1;
  return r;
}

void AppendScanTrace(ThreatRecord& record, const std::wstring& traceText) {
  record.tracesText += L'\n';
  record.tracesText += traceText;
  record.traces.push_back({traceText, false});
  ++record.traceCount;
}

bool MarkTraceCleaned(ThreatRecord& record, std::wstring_view traceText) {
  if (record.handled) return false;
  bool changed = false;
  for (ThreatTrace& trace : record.traces) {
    if (trace.handled || trace.text != traceText) continue;
    trace.handled = true;
    --record.traceCount;
    changed = true;
  }
  const bool all = std::all_of(record.traces.begin(), record.traces.end(),
                               [](const ThreatTrace& t) { return t.handled; });
  if (all != record.handled) {
    record.handled = all;
    changed = true;
  }
  return changed;
}

int ActionOfOption(int option) {
  if (option == IDC_OPTION_ADVICE) return kActionAdvised;
  for (int code = 1; code <= kActionLast; ++code)
    if (option == (1 << (code + 1))) return code;
  return -2;
}

int OptionOfAction(int code) {
  if (code == kActionAdvised) return IDC_OPTION_ADVICE;
  if (code >= 1 && code <= kActionLast) return 1 << (code + 1);
  return 0;
}

bool ApplyOption(ThreatRecord& record, int option) {
  if (!record.source) return false;
  const int code = ActionOfOption(option);
  if (code == -2) return false;
  record.source->actionRequested.Set(code);
  record.action = code == kActionAdvised ? record.adviseType : code;
  return true;
}

int TotalTraces(const std::vector<ThreatRecord>& records) {
  return std::accumulate(records.begin(), records.end(), 0, [](int n, const ThreatRecord& r) {
    return n + static_cast<int>(r.traces.size());
  });
}

int HandledRecords(const std::vector<ThreatRecord>& records) {
  return static_cast<int>(std::count_if(records.begin(), records.end(),
                                        [](const ThreatRecord& r) { return r.handled; }));
}

int HandledTraces(const std::vector<ThreatRecord>& records) {
  int n = 0;
  for (const ThreatRecord& r : records) {
    if (r.handled) {
      n += static_cast<int>(r.traces.size());
    } else {
      n += static_cast<int>(std::count_if(r.traces.begin(), r.traces.end(),
                                          [](const ThreatTrace& t) { return t.handled; }));
    }
  }
  return n;
}

ColumnWidths ColumnWidthsFor(int listWidth) { return {listWidth - 450, 130, 110, 110, 100}; }

int ColumnLeft(const ColumnWidths& widths, int column) {
  int x = kFirstColumnX;
  for (int i = 0; i < column && i < kColumns; ++i) x += widths[static_cast<size_t>(i)];
  return x;
}

std::wstring MeasuredDetails(const ThreatRecord& record) {
  return record.descriptionText + L'\n' + record.adviceText;
}

int DetailsMeasureWidth(int rowWidth) { return std::min(rowWidth - 20, 2000); }

int RowHeight(const ThreatRecord& record, int lineHeight, int detailsHeight) {
  if (!record.expanded) return kHeadHeight;
  return (static_cast<int>(record.traces.size()) + 1) * lineHeight + detailsHeight + 48;
}

RowClick ClassifyRowClick(const RowHit& hit, POINT pt) {
  if (hit.checkBoxMode && ::PtInRect(&hit.checkBox, pt)) return RowClick::ToggleCheck;
  if (hit.linkMode && ::PtInRect(&hit.actionCell, pt)) return RowClick::OpenDropdown;
  if (!hit.expanded) return RowClick::Expand;
  return pt.y < hit.headBottom ? RowClick::Collapse : RowClick::None;
}

DropdownLayout ComputeDropdownLayout(bool canQuarantine, int clientWidth) {
  DropdownLayout l;
  int y = 25;
  for (int i = 0; i < kOptionCount; ++i) {
    const bool shown = kOptionCommands[static_cast<size_t>(i)] != OptionOfAction(kActionQuarantine) ||
                       canQuarantine;
    l.shown[static_cast<size_t>(i)] = shown;
    if (!shown) continue;
    l.options[static_cast<size_t>(i)] = RECT{1, y, 1 + clientWidth - 2, y + 24};
    y += 25;
  }
  l.height = y + 4;
  return l;
}

}  // namespace threat
