// CSinkConnection<Events>: an event sink for one engine event interface and
// its connection to one engine component. The owner derives from it (once per
// event interface) or holds one, defines every event operation, and keeps it
// alive: the sink's count never destroys it.
//
// The owner disconnects while it is whole, in its own destructor at the latest
// (or earlier, when it stops listening): Unadvise is a call out of the process,
// and while it runs other calls come in, to this sink and to the owner's
// others. From Disconnect on no event reaches this sink.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include "EngineContract.h"
#include "engine/ComRef.h"

template <class Events>
class CSinkConnection : public Events {
 public:
  CSinkConnection() = default;
  CSinkConnection(const CSinkConnection&) = delete;
  CSinkConnection& operator=(const CSinkConnection&) = delete;
  // Disconnects when the owner has not; by then only this class's operations
  // are left, so the owner disconnects first (see above).
  virtual ~CSinkConnection() { Disconnect(); }

  static const IID& EventsId() { return __uuidof(Events); }

  // Attaches to a component (a reference an engine accessor returned). Does
  // nothing when already connected; failures leave the sink unconnected, silently.
  void Connect(IUnknown* component) {
    if (cookie_ != 0 || !component) return;
    ComRef<IConnectionPointContainer> container;
    if (FAILED(component->QueryInterface(IID_IConnectionPointContainer, container.PutVoid())) ||
        !container)
      return;
    HRESULT hr = container->FindConnectionPoint(EventsId(), point_.Put());
    container.Reset();
    if (FAILED(hr) || !point_) {
      point_.Reset();
      return;
    }
    ComRef<IUnknown> self;
    QueryInterface(IID_IUnknown, self.PutVoid());
    DWORD cookie = 0;
    if (FAILED(point_->Advise(self.Get(), &cookie))) cookie = 0;
    cookie_ = cookie;
  }
  template <class I>
  void Connect(const ComRef<I>& component) {
    Connect(static_cast<IUnknown*>(component.Get()));
  }

  // Detaches; does nothing when not connected. The engine's remote references
  // to the sink are cut first (Wine keeps them otherwise), so that no event
  // comes in while Unadvise runs or after it.
  void Disconnect() {
    if (cookie_ == 0) return;
    CutIncomingCalls();
    if (point_) point_->Unadvise(cookie_);
    point_.Reset();
    cookie_ = 0;
  }

  bool IsConnected() const { return cookie_ != 0; }
  DWORD Cookie() const { return cookie_; }
  ULONG RefCount() const { return refs_; }

  // IUnknown: the event interface and IUnknown only.
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == EventsId() || riid == IID_IUnknown) {
      *ppv = static_cast<Events*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override { return refs_ > 0 ? --refs_ : 0; }

 private:
  void CutIncomingCalls() {
    CoDisconnectObject(static_cast<IUnknown*>(static_cast<Events*>(this)), 0);
  }

  ULONG refs_ = 1;
  ComRef<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

using CScanControlSinkBase = CSinkConnection<_IQVScanControlEvents>;
using CServiceSinkBase = CSinkConnection<_IQVServiceEvents>;
using CActiveProtectionSinkBase = CSinkConnection<_IQVActiveProtectionEvents>;
using CThreatDefinitionsSinkBase = CSinkConnection<_IQVThreatDefinitionsEvents>;
