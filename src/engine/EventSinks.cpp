#include "engine/EventSinks.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <initializer_list>

#include "themedata/resource.h"

namespace {

bool In(LONG value, std::initializer_list<LONG> set) {
  return std::find(set.begin(), set.end(), value) != set.end();
}

std::wstring_view View(BSTR s) {
  return s ? std::wstring_view(s, SysStringLen(s)) : std::wstring_view();
}

// The tick of the last download status passed on, shared by all scanning pages.
struct DownloadThrottle {
  bool passedOnce = false;
  DWORD lastTick = 0;
};
DownloadThrottle& Throttle() {
  static DownloadThrottle throttle;
  return throttle;
}

}  // namespace

namespace EngineCodes {

std::optional<WPARAM> ScanningEndParam(EngineScanState state) {
  if (In(state, {kIdle, kScanDone, kScanDoneThreats, kCleanDone, kCleanStopped, kCleanFailed,
                 kScanStopped}))
    return 0;
  if (state == kScanFailed) return 1;
  return std::nullopt;
}
bool IsCleaningEndState(EngineScanState state) {
  return In(state, {kIdle, kCleanDone, kCleanStopped, kScanFailed, kCleanFailed, kScanStopped});
}
bool IsWatchdogAbnormalEnd(EngineScanState state) {
  return In(state, {kIdle, kScanFailed, kCleanFailed, kScanStopped});
}
bool CleaningNeedsNoCheck(EngineScanState state) { return In(state, {kScanDoneThreats, kCleanDone}); }
bool IsUpdateRunningStatus(LONG status) {
  return In(status, {kUpdateChecking, kUpdateInstalling, kUpdateDownloading, kUpdateVerifying});
}
bool IsUpdateOverStatus(LONG status) {
  return In(status, {kUpdateUpToDate, kUpdateInstalled, kUpdateDownloadFailed, kUpdatesSwitchedOff,
                     kUpdateBadDefinitions, kUpdateServerUnreachable});
}
bool IsDownloadStatus(LONG status) {
  return In(status, {kUpdateChecking, kUpdateDownloading, kUpdateVerifying});
}

}  // namespace EngineCodes

bool PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return window && IsWindow(window) && PostMessageW(window, message, wParam, lParam);
}

namespace {
std::atomic<long> g_pendingEventTexts{0};
}  // namespace

bool PostEventText(HWND window, UINT message, std::wstring_view text) {
  auto copy = std::make_unique<std::wstring>(text);
  if (!PostToWindow(window, message, 0, reinterpret_cast<LPARAM>(copy.get()))) return false;
  copy.release();  // the receiver owns it now
  ++g_pendingEventTexts;
  return true;
}

std::unique_ptr<std::wstring> TakeEventText(LPARAM lParam) {
  if (lParam) --g_pendingEventTexts;
  return std::unique_ptr<std::wstring>(reinterpret_cast<std::wstring*>(lParam));
}

void DiscardEventTexts(HWND window, UINT message) {
  MSG m;
  while (window && PeekMessageW(&m, window, message, message, PM_REMOVE)) TakeEventText(m.lParam);
}

long PendingEventTexts() { return g_pendingEventTexts; }

STDMETHODIMP CFrameScanControlSink::ScanStateChanged(LONG state, LONG) {
  PostToWindow(m_frame, msg::kScanStarted, static_cast<WPARAM>(state), 0);
  return S_OK;
}

STDMETHODIMP CFrameServiceSink::ServiceStatusChanged(LONG flag) {
  if (flag == 0 && m_frame && IsWindow(m_frame))
    SetTimer(m_frame, IDT_RECONNECT, kReconnectPeriodMs, nullptr);
  return S_OK;
}

STDMETHODIMP CFrameActiveProtectionSink::ActiveProtectionEvent(BSTR text) {
  PostEventText(m_frame, msg::kActiveProtectionEvent, View(text));
  return S_OK;
}

STDMETHODIMP CFrameDefinitionsSink::DefinitionsUpdateStatus(LONG, LONG status, LONG, LONG) {
  if (status == EngineCodes::kUpdateInstalled && m_settings)
    PostToWindow(m_settings(), msg::kSettingsDefinitionsChanged, 0, 0);
  return S_OK;
}

STDMETHODIMP COverviewDefinitionsSink::DefinitionsUpdateStatus(LONG, LONG, LONG, LONG) {
  if (m_refresh) m_refresh();
  return S_OK;
}

STDMETHODIMP COverviewDefinitionsSink::DefinitionsEvent5(unsigned char* value) {
  if (value) *value = 0;
  return S_OK;
}

STDMETHODIMP CScanningScanSink::ScanStateChanged(LONG state, LONG) {
  if (auto param = EngineCodes::ScanningEndParam(state))
    PostToWindow(m_page, msg::kScanEnded, *param, 0);
  return S_OK;
}

STDMETHODIMP CScanningScanSink::ScanProgress(
    LONG scanType, LONG scanState, BSTR threatName, BSTR objectName, BSTR threatCategory,
    LONG threatId, LONG threatLevel, LONG threatCount, LONG filesScanned, LONG foldersScanned,
    LONG registryScanned, LONG memoryScanned, LONG cookiesScanned, LONG tracesFound,
    LONG percentDone, LONG elapsedSeconds, LONG objectsScanned, LONG objectType, LONG reserved) {
  if (m_progress) {
    m_progress(ScanProgressEvent{scanType, scanState, View(threatName), View(objectName),
                                 View(threatCategory), threatId, threatLevel, threatCount,
                                 filesScanned, foldersScanned, registryScanned, memoryScanned,
                                 cookiesScanned, tracesFound, percentDone, elapsedSeconds,
                                 objectsScanned, objectType, reserved});
  }
  return S_OK;
}

void CScanningDefinitionsSink::ResetThrottle() { Throttle() = DownloadThrottle(); }

STDMETHODIMP CScanningDefinitionsSink::DefinitionsUpdateStatus(LONG, LONG status, LONG total,
                                                               LONG done) {
  if (EngineCodes::IsDownloadStatus(status)) {
    const DWORD now = m_tick ? m_tick() : GetTickCount();
    DownloadThrottle& throttle = Throttle();
    if (throttle.passedOnce && now - throttle.lastTick <= kMinIntervalMs) return S_OK;
    throttle.passedOnce = true;
    throttle.lastTick = now;
    PostToWindow(m_page, msg::kScanningMode, 3, 0);
    HWND bar = m_page && IsWindow(m_page) ? GetDlgItem(m_page, IDC_SCANNING_PROGRESS) : nullptr;
    PostToWindow(bar, PBM_SETRANGE32, 0, total / 2);
    PostToWindow(bar, PBM_SETPOS, static_cast<WPARAM>(done / 2), 0);
  } else if (status == EngineCodes::kUpdateInstalling) {
    PostToWindow(m_page, msg::kScanningMode, 4, 0);
  }
  return S_OK;
}

STDMETHODIMP CCleaningScanSink::ScanStateChanged(LONG state, LONG) {
  if (EngineCodes::IsCleaningEndState(state)) PostToWindow(m_page, msg::kCleaningEnded, 0, 0);
  return S_OK;
}

STDMETHODIMP CCleaningScanSink::CleanProgress(LONG threatId, BSTR threatName, LONG traceType,
                                              BSTR trace, LONG progress) {
  CleanProgressEvent event{threatId, View(threatName), traceType, View(trace), progress};
  HWND bar = m_page && IsWindow(m_page) ? GetDlgItem(m_page, IDC_CLEANING_PROGRESS) : nullptr;
  if (bar) SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(progress), 0);
  if (m_cleaned) m_cleaned(event);
  return S_OK;
}
