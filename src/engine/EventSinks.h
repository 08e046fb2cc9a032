// The engine's state and status codes, the reaction each one triggers, and
// ready-made sinks that turn engine events into window messages. Sinks post
// instead of acting, so no page runs inside an engine callback; the scanning
// page's progress, the cleaning page's progress and the overview page's
// definitions refresh are handed to the owner's callback inside the event.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/EngineSession.h"
#include "engine/SinkConnection.h"
#include "framework/Messages.h"
#include "idl/EngineCodes.h"
#include "themedata/resource.h"

// The codes themselves are named in idl/EngineCodes.h; the reactions to them follow.
namespace EngineCodes {

// Scanning page: the wParam of msg::kScanEnded for a state (0 ended, 1 failed),
// nothing when the state means nothing to the page.
std::optional<WPARAM> ScanningEndParam(EngineScanState state);
// Cleaning page: the state ends the cleaning (event or periodic check).
bool IsCleaningEndState(EngineScanState state);
// Scanning watchdog (GetScanState): the scan ended abnormally.
bool IsWatchdogAbnormalEnd(EngineScanState state);
// Cleaning start (GetScanState): no periodic check is needed.
bool CleaningNeedsNoCheck(EngineScanState state);

// Definitions update statuses.
bool IsUpdateRunningStatus(LONG status);  // 0, 1, 5, 6
bool IsUpdateOverStatus(LONG status);     // 2, 3, 4, 7, 100, 101
bool IsDownloadStatus(LONG status);       // 0, 5, 6

}  // namespace EngineCodes

inline constexpr UINT kReconnectPeriodMs = 5000;

// Posts a heap copy of text with `message` (wParam 0, lParam the copy). The
// receiver takes it with TakeEventText. False (and nothing leaks) when the
// window is gone or the post fails.
bool PostEventText(HWND window, UINT message, std::wstring_view text);
// The receiver's side: owns the copy from then on.
std::unique_ptr<std::wstring> TakeEventText(LPARAM lParam);
// Frees the copies still queued for a window that is going away (its queued
// messages are dropped with it).
void DiscardEventTexts(HWND window, UINT message);
// Copies posted by PostEventText less those taken or discarded since (a
// diagnostic: texts posted by other means count when they are taken).
long PendingEventTexts();

// Posts only to a live window (a null handle would post to the thread).
bool PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The arguments of ScanProgress, as the engine sends them.
struct ScanProgressEvent {
  LONG scanType, scanState;
  std::wstring_view threatName;  // empty: no threat in this event
  std::wstring_view objectName;
  std::wstring_view threatCategory;
  LONG threatId, threatLevel, threatCount;
  LONG filesScanned, foldersScanned, registryScanned, memoryScanned, cookiesScanned;
  LONG tracesFound, percentDone, elapsedSeconds, objectsScanned, objectType, reserved;
};

// The arguments of CleanProgress.
struct CleanProgressEvent {
  LONG threatId;
  std::wstring_view threatName;
  LONG traceType;
  std::wstring_view trace;
  LONG progress;
};

// ---- Scan-control events with nothing to do: a base for the sinks below.
class CScanControlSink : public CScanControlSinkBase {
 public:
  // Every operation is defined here: an event during the disconnection does nothing.
  ~CScanControlSink() override { Disconnect(); }
  STDMETHODIMP ScanStateChanged(LONG, LONG) override { return S_OK; }
  STDMETHODIMP ScanNotice(LONG, LONG, LONG, LONG, BSTR, BSTR, LONG, LONG) override { return S_OK; }
  STDMETHODIMP ScanProgress(LONG, LONG, BSTR, BSTR, BSTR, LONG, LONG, LONG, LONG, LONG, LONG, LONG,
                            LONG, LONG, LONG, LONG, LONG, LONG, LONG) override {
    return S_OK;
  }
  STDMETHODIMP CleanProgress(LONG, BSTR, LONG, BSTR, LONG) override { return S_OK; }
  STDMETHODIMP ScanEvent7() override { return S_OK; }
};

class CServiceSink : public CServiceSinkBase {
 public:
  ~CServiceSink() override { Disconnect(); }
  STDMETHODIMP ServiceEvent3(LONG) override { return S_OK; }
  STDMETHODIMP ServiceStatusChanged(LONG) override { return S_OK; }
  STDMETHODIMP ServiceEvent5() override { return S_OK; }
  STDMETHODIMP ServiceEvent6(LONG) override { return S_OK; }
  STDMETHODIMP ServiceEvent7(LONG) override { return S_OK; }
  STDMETHODIMP ServiceEvent8(LONG, LONG, BSTR) override { return S_OK; }
};

class CActiveProtectionSink : public CActiveProtectionSinkBase {
 public:
  ~CActiveProtectionSink() override { Disconnect(); }
  STDMETHODIMP ActiveProtectionEvent(BSTR) override { return S_OK; }
  STDMETHODIMP APEvent4(LONG) override { return S_OK; }
  STDMETHODIMP APEvent5(LONG) override { return S_OK; }
  STDMETHODIMP APEvent6(LONG) override { return S_OK; }
  STDMETHODIMP APEvent7() override { return S_OK; }
};

class CThreatDefinitionsSink : public CThreatDefinitionsSinkBase {
 public:
  ~CThreatDefinitionsSink() override { Disconnect(); }
  STDMETHODIMP DefinitionsUpdateStatus(LONG, LONG, LONG, LONG) override { return S_OK; }
  STDMETHODIMP DefinitionsEvent4() override { return S_OK; }
  STDMETHODIMP DefinitionsEvent5(unsigned char*) override { return S_OK; }
};

// ---- The main frame's sinks (window set at the frame's creation).

// ScanStateChanged: post msg::kScanStarted (wParam the state) to the frame.
class CFrameScanControlSink : public CScanControlSink {
 public:
  void SetWindow(HWND frame) { m_frame = frame; }
  STDMETHODIMP ScanStateChanged(LONG state, LONG) override;

 private:
  HWND m_frame = nullptr;
};

// ServiceStatusChanged 0: start the frame's reconnection timer.
class CFrameServiceSink : public CServiceSink {
 public:
  void SetWindow(HWND frame) { m_frame = frame; }
  STDMETHODIMP ServiceStatusChanged(LONG flag) override;

 private:
  HWND m_frame = nullptr;
};

// ActiveProtectionEvent: post msg::kActiveProtectionEvent with a heap copy of the text.
class CFrameActiveProtectionSink : public CActiveProtectionSink {
 public:
  void SetWindow(HWND frame) { m_frame = frame; }
  STDMETHODIMP ActiveProtectionEvent(BSTR text) override;

 private:
  HWND m_frame = nullptr;
};

// Status 3: post msg::kSettingsDefinitionsChanged to the settings page window.
class CFrameDefinitionsSink : public CThreatDefinitionsSink {
 public:
  void SetSettingsWindow(std::function<HWND()> settings) { m_settings = std::move(settings); }
  STDMETHODIMP DefinitionsUpdateStatus(LONG, LONG status, LONG, LONG) override;

 private:
  std::function<HWND()> m_settings;
};

// ---- The overview page's definitions sink.
// Any status: the owner refreshes the definitions date (inside the event);
// the third operation answers 0.
class COverviewDefinitionsSink : public CThreatDefinitionsSink {
 public:
  void SetRefresh(std::function<void()> refresh) { m_refresh = std::move(refresh); }
  STDMETHODIMP DefinitionsUpdateStatus(LONG, LONG, LONG, LONG) override;
  STDMETHODIMP DefinitionsEvent5(unsigned char* value) override;

 private:
  std::function<void()> m_refresh;
};

// ---- The scanning page's sinks.

// End states post msg::kScanEnded (0 ended, 1 failed); progress goes to the
// owner's callback inside the event.
class CScanningScanSink : public CScanControlSink {
 public:
  void SetWindow(HWND page) { m_page = page; }
  void SetProgress(std::function<void(const ScanProgressEvent&)> progress) {
    m_progress = std::move(progress);
  }
  STDMETHODIMP ScanStateChanged(LONG state, LONG) override;
  STDMETHODIMP ScanProgress(LONG scanType, LONG scanState, BSTR threatName, BSTR objectName,
                            BSTR threatCategory, LONG threatId, LONG threatLevel, LONG threatCount,
                            LONG filesScanned, LONG foldersScanned, LONG registryScanned,
                            LONG memoryScanned, LONG cookiesScanned, LONG tracesFound,
                            LONG percentDone, LONG elapsedSeconds, LONG objectsScanned,
                            LONG objectType, LONG reserved) override;

 private:
  HWND m_page = nullptr;
  std::function<void(const ScanProgressEvent&)> m_progress;
};

// Download statuses (at most once a second, one tick shared by all pages):
// msg::kScanningMode 3 and the progress control's range 0..total/2 and
// position done/2, all posted; installing: msg::kScanningMode 4.
class CScanningDefinitionsSink : public CThreatDefinitionsSink {
 public:
  static constexpr DWORD kMinIntervalMs = 1000;

  void SetWindow(HWND page) { m_page = page; }
  void SetTickSource(std::function<DWORD()> tick) { m_tick = std::move(tick); }
  // Forget the shared tick (the next download status passes).
  static void ResetThrottle();
  STDMETHODIMP DefinitionsUpdateStatus(LONG, LONG status, LONG total, LONG done) override;

 private:
  HWND m_page = nullptr;
  std::function<DWORD()> m_tick;
};

// ---- The cleaning page's sink.
// End states post msg::kCleaningEnded; each cleaned trace sets the progress
// control (IDC_CLEANING_PROGRESS) at once (sent) and goes to the owner's callback.
class CCleaningScanSink : public CScanControlSink {
 public:
  void SetWindow(HWND page) { m_page = page; }
  void SetCleaned(std::function<void(const CleanProgressEvent&)> cleaned) {
    m_cleaned = std::move(cleaned);
  }
  STDMETHODIMP ScanStateChanged(LONG state, LONG) override;
  STDMETHODIMP CleanProgress(LONG threatId, BSTR threatName, LONG traceType, BSTR trace,
                             LONG progress) override;

 private:
  HWND m_page = nullptr;
  std::function<void(const CleanProgressEvent&)> m_cleaned;
};
