#include "pages/scan/ScanFlowPages.h"

#include "app/MainFrame.h"
#include "app/Settings.h"
#include "engine/EngineDocuments.h"
#include "engine/EventSinks.h"
#include "engine/ScanController.h"
#include "engine/documents/NVPairs.h"
#include "framework/WinAppEx.h"
#include "framework/Wnd.h"
#include "pages/scan/ScanFlowRules.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

namespace scan_flow {

namespace {

HWND Owner(HWND page) {
  HWND root = page ? ::GetAncestor(page, GA_ROOT) : nullptr;
  return root ? root : page;
}

}  // namespace

bool AskYesNo(HWND page, UINT textId) {
  return AppMessageBox(Owner(page), Theme().LoadResString(textId), Theme().GetString(L"app_name"),
                       MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void Tell(HWND page, UINT textId) {
  AppMessageBox(Owner(page), Theme().LoadResString(textId), Theme().GetString(L"app_name"),
                MB_OK | MB_ICONWARNING);
}

void IncrementProfileInt(const wchar_t* name) {
  if (CWinAppEx* app = AfxGetApp()) app->WriteProfileInt(name, app->ReadProfileInt(name, 0) + 1);
}

void RecordScanSummary(int threatCount, int itemCount, int threatLevel) {
  QVnsNVPairs::CNVPairs pairs;
  if (FAILED(FetchDocument(pairs, EngineDocuments::kNVPairs))) return;
  bool changed = QVnsNVPairs::WritePairInt(pairs, L"last_scan_threat_count", threatCount);
  changed |= QVnsNVPairs::WritePairInt(pairs, L"last_scan_item_count", itemCount);
  changed |= QVnsNVPairs::WritePairInt(pairs, L"last_scan_threat_level", threatLevel);
  if (changed) StoreDocument(pairs, EngineDocuments::kNVPairs);
}

void ReturnToOverview() {
  if (CMainFrame* frame = GetMainFrame()) {
    frame->SelectTab(CMainFrame::kTabOverview, false);
    frame->SetTabsEnabled(true);
  }
}

void StopFrameReconnection() {
  if (CMainFrame* frame = GetMainFrame(); frame && frame->m_hWnd)
    ::KillTimer(frame->m_hWnd, IDT_RECONNECT);
}

void StartFrameReconnection() {
  if (CMainFrame* frame = GetMainFrame(); frame && frame->m_hWnd)
    ::SetTimer(frame->m_hWnd, IDT_RECONNECT, kReconnectPeriodMs, nullptr);
}

bool IsEngineLost(const EngineError& error) {
  return error.Result() == E_POINTER || IsEngineGone(error.Result());
}

void CEngineWatch::Start(CWnd& page, CEngineSession& session) {
  m_generation = session.Generation();
  m_running = true;
  if (page.m_hWnd) page.SetTimer(IDT_ENGINE_WATCH, kPeriodMs);
}

void CEngineWatch::Stop(CWnd& page) {
  m_running = false;
  if (page.m_hWnd) page.KillTimer(IDT_ENGINE_WATCH);
}

bool CEngineWatch::EngineGone(CEngineSession& session) const {
  if (session.Generation() != m_generation) return true;
  return FAILED(session.PingHeld());
}

void ReturnAfterEngineLoss(HWND page) {
  CScanController::Instance().EngineLost();
  if (CWinAppEx* app = AfxGetApp()) app->WriteProfileInt(settings::kFromSchedule, 0);
  ReturnToOverview();
  StartFrameReconnection();
  Tell(page, IDS_ENGINE_STOPPED);
}

}  // namespace scan_flow
