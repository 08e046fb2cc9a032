// The main frame's work with the engine: the scan-started message, active
// protection alerts, the end of a definitions update, reconnection and the
// stop of a running scan on a forced close.
#include <ctime>
#include <memory>
#include <string>

#include "alerts/ActiveProtectionAlert.h"
#include "alerts/CloseDlg.h"
#include "app/AppFunctions.h"
#include "app/MainFrame.h"
#include "pages/scan/ScanPage.h"
#include "app/Settings.h"
#include "engine/EngineSession.h"
#include "engine/EventSinks.h"
#include "engine/EngineDocuments.h"
#include "engine/documents/NVPairs.h"
#include "engine/ScanController.h"
#include "framework/Messages.h"
#include "framework/WinAppEx.h"
#include "pages/scan/ScanningPage.h"
#include "telemetry/UniversalWrapper.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

namespace {

LONGLONG NowAsFileTime() {
  FILETIME ft{};
  ::GetSystemTimeAsFileTime(&ft);
  return static_cast<LONGLONG>((static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) |
                               ft.dwLowDateTime);
}

// Records the start of a scan in the engine's name/value pairs (only pairs
// that exist are changed; the document is stored once when any did).
void RecordScanStart(LONG scanType, LONGLONG now) {
  QVnsNVPairs::CNVPairs pairs;
  if (FAILED(FetchDocument(pairs, EngineDocuments::kNVPairs))) return;
  bool changed = false;
  if (scanType == kScanQuick || scanType == kScanQuickOther)
    changed |= QVnsNVPairs::WritePairInt64(pairs, L"last_quick_scan", now);
  else if (scanType == kScanFull)
    changed |= QVnsNVPairs::WritePairInt64(pairs, L"last_full_scan", now);
  changed |= QVnsNVPairs::WritePairInt(pairs, L"last_scan_threat_count", 0);
  changed |= QVnsNVPairs::WritePairInt(pairs, L"last_scan_threat_level", -1);
  if (changed) StoreDocument(pairs, EngineDocuments::kNVPairs);
}

}  // namespace

void CMainFrame::OnScanStateChanged(LONG state) {
  if (state != 1) return;  // only the start of a scan concerns the frame
  if (m_scan) m_scan->RestoreCustomPaths();
  auto control = Checked(Engine().ScanControl());
  LONG scanType = 0;
  unsigned char fromSchedule = 0;
  CheckEngine(control->GetScanInfo(&scanType, &fromSchedule), control);
  CWinAppEx* app = AfxGetApp();
  if (app) app->WriteProfileInt(settings::kFromSchedule, fromSchedule ? 1 : 0);
  if (scanType != kScanUnrecorded) RecordScanStart(scanType, NowAsFileTime());
  if (app) app->WriteProfileText(settings::kScanTime, FormatTimeUtc(std::time(nullptr)));
  if (IsWindowVisible()) return;  // started from the window, which already follows it

  // A scan started elsewhere (a schedule) while the window was hidden.
  BringUp();
  SetTabPage(kTabScan, ScanningPage());
  SelectTab(kTabScan, false);
  SetTabsEnabled(false);
  if (ScanningPage() && ScanningPage()->m_hWnd) ScanningPage()->Post(msg::kFollowScan, 0, 0);
}

void CMainFrame::OnActiveProtectionEvent(LPARAM lp) {
  // The posted text is ours from here on, whatever happens.
  std::unique_ptr<std::wstring> text = TakeEventText(lp);
  if (!text) return;
  if (auto kind = ShowActiveProtectionAlert(*text, m_tray)) m_balloonKind = *kind;
}

void CMainFrame::OnDefinitionsUpdated() { CScanController::Instance().StartPendingScan(); }

void CMainFrame::OnReconnectTick() {
  Engine().EnsureEngine();
  if (--m_reconnectCountdown <= 0) {
    KillTimer(IDT_RECONNECT);
    m_reconnectCountdown = 10;
  }
}

void CMainFrame::StopScanForShutdown() {
  // The window closes whatever the engine answers.
  try {
    CScanController::Instance().CancelScan();
  } catch (const EngineError&) {
  }
}

INT_PTR CMainFrame::ShowCloseDialog() {
  CCloseDlg dlg(Theme().ResourceModule());
  return dlg.DoModal(m_hWnd);
}

void CMainFrame::RunUpdater() { CheckForUpdates(); }
