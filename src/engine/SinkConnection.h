// CSinkConnection<Events>: an event sink for one engine event interface and
// its connection to one engine component. The owner derives from it (once per
// event interface) or holds one, defines every event operation, and keeps it
// alive: the sink's count (ComMember) never destroys it.
//
// The owner disconnects while it is whole, in its own destructor at the latest
// (or earlier, when it stops listening): Unadvise is a call out of the process,
// and while it runs other calls come in, to this sink and to the owner's
// others. From Disconnect on no event reaches this sink.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include "EngineContract.h"
#include "engine/ComObject.h"
#include "engine/ComRef.h"
#include "framework/Trace.h"

template <class Events>
class CSinkConnection : public ComMember<Events> {
 public:
  CSinkConnection() = default;
  CSinkConnection(const CSinkConnection&) = delete;
  CSinkConnection& operator=(const CSinkConnection&) = delete;
  // Disconnects when the owner has not; by then only this class's operations
  // are left, so the owner disconnects first (see above).
  virtual ~CSinkConnection() { Disconnect(); }

  static const IID& EventsId() { return __uuidof(Events); }

  // Attaches to a component (a reference an engine accessor returned). Does
  // nothing when already connected; a failure leaves the sink unconnected and
  // a trace line.
  void Connect(IUnknown* component) {
    if (m_cookie != 0 || !component) return;
    ComRef<IConnectionPointContainer> container;
    HRESULT hr = component->QueryInterface(IID_IConnectionPointContainer, container.PutVoid());
    if (SUCCEEDED(hr) && !container) hr = E_NOINTERFACE;
    if (TraceHr(hr, L"QueryInterface(IConnectionPointContainer)")) return;
    hr = container->FindConnectionPoint(EventsId(), m_point.Put());
    container.Reset();
    if (SUCCEEDED(hr) && !m_point) hr = E_POINTER;
    if (TraceHr(hr, L"FindConnectionPoint")) {
      m_point.Reset();
      return;
    }
    ComRef<IUnknown> self;
    this->QueryInterface(IID_IUnknown, self.PutVoid());
    DWORD cookie = 0;
    if (TraceHr(m_point->Advise(self.Get(), &cookie), L"Advise")) cookie = 0;
    m_cookie = cookie;
  }
  template <class I>
  void Connect(const ComRef<I>& component) {
    Connect(static_cast<IUnknown*>(component.Get()));
  }

  // Detaches; does nothing when not connected. The engine's remote references
  // to the sink are cut first (Wine keeps them otherwise), so that no event
  // comes in while Unadvise runs or after it.
  void Disconnect() {
    if (m_cookie == 0) return;
    CutIncomingCalls();
    if (m_point) TraceHr(m_point->Unadvise(m_cookie), L"Unadvise");
    m_point.Reset();
    m_cookie = 0;
  }

  bool IsConnected() const { return m_cookie != 0; }
  DWORD Cookie() const { return m_cookie; }

 private:
  void CutIncomingCalls() {
    CoDisconnectObject(static_cast<IUnknown*>(static_cast<Events*>(this)), 0);
  }

  ComRef<IConnectionPoint> m_point;
  DWORD m_cookie = 0;
};

using CScanControlSinkBase = CSinkConnection<_IQVScanControlEvents>;
using CServiceSinkBase = CSinkConnection<_IQVServiceEvents>;
using CActiveProtectionSinkBase = CSinkConnection<_IQVActiveProtectionEvents>;
using CThreatDefinitionsSinkBase = CSinkConnection<_IQVThreatDefinitionsEvents>;
