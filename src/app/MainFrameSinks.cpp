#include "app/MainFrameSinks.h"

#include "app/MainFrame.h"
#include "engine/EngineSession.h"
#include "engine/EventSinks.h"
#include "engine/ScanController.h"
#include "pages/settings/SettingsPage.h"

struct CMainFrameSinks::Impl {
  CFrameServiceSink service;
  CFrameScanControlSink scanControl;
  CFrameActiveProtectionSink activeProtection;
  CFrameDefinitionsSink definitions;
};

namespace {
template <class Sink, class I>
void ConnectTo(Sink& sink, const ComRef<I>& component) {
  if (component && !sink.IsConnected()) sink.Connect(component);
}
}  // namespace

CMainFrameSinks::CMainFrameSinks(CMainFrame& frame) : m_impl(std::make_unique<Impl>()) {
  m_impl->definitions.SetSettingsWindow([&frame]() -> HWND {
    CSettingsPage* page = frame.SettingsPage();
    return page ? page->m_hWnd : nullptr;
  });
}

CMainFrameSinks::~CMainFrameSinks() { DisconnectAll(); }

void CMainFrameSinks::ConnectAtConstruction() {
  CEngineSession& engine = Engine();
  ConnectTo(m_impl->service, engine.Service());
  ConnectTo(m_impl->activeProtection, engine.Service());
  ConnectTo(m_impl->definitions, engine.ThreatDefinitions());
}

void CMainFrameSinks::ConnectAtWindowCreation(HWND frame) {
  m_impl->service.SetWindow(frame);
  m_impl->scanControl.SetWindow(frame);
  m_impl->activeProtection.SetWindow(frame);
  CEngineSession& engine = Engine();
  ConnectTo(m_impl->scanControl, engine.ScanControl());
  // Active protection: on the service component, or else on its own component.
  ConnectTo(m_impl->activeProtection, engine.ActiveProtection());
  ConnectTo(m_impl->definitions, engine.ThreatDefinitions());
  CScanController::Instance().SetNotifyWindow(frame);
}

void CMainFrameSinks::DisconnectAll() {
  m_impl->scanControl.Disconnect();
  m_impl->activeProtection.Disconnect();
  m_impl->definitions.Disconnect();
  m_impl->service.Disconnect();
  m_impl->service.SetWindow(nullptr);
  m_impl->scanControl.SetWindow(nullptr);
  m_impl->activeProtection.SetWindow(nullptr);
}
