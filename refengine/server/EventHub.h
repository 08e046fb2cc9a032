#pragma once
// Event sinks of every client, per event interface. Sinks are kept in the
// Global Interface Table, so any engine thread can call them; calls are made
// outside every engine lock. A sink whose client has gone is dropped.

#include <windows.h>
#include <ole2.h>

#include <functional>
#include <mutex>
#include <vector>

namespace rre {

class EventHub {
 public:
  EventHub();
  ~EventHub();
  EventHub(const EventHub&) = delete;
  EventHub& operator=(const EventHub&) = delete;

  HRESULT Advise(REFIID iid, IUnknown* sink, DWORD* cookie);
  HRESULT Unadvise(REFIID iid, DWORD cookie);
  size_t Count(REFIID iid);

  // Calls `call` with every sink of `iid` (as that interface) in turn.
  void Fire(REFIID iid, const std::function<HRESULT(IUnknown*)>& call);

  template <class I, class F>
  void FireAs(REFIID iid, F f) {
    Fire(iid, [&f](IUnknown* u) { return f(static_cast<I*>(u)); });
  }

  void Clear();

 private:
  struct Entry {
    IID iid;
    DWORD cookie;
    DWORD git;
    IUnknown* proxy;  // taken from the table once; every engine thread is in the MTA
  };
  std::mutex m_mu;
  std::vector<Entry> m_entries;
  DWORD m_next = 1;
  IGlobalInterfaceTable* m_git = nullptr;
  // Test override RODEREDUD_ENGINE_ECHO_ON_UNADVISE: Unadvise first calls the
  // leaving sink's argument-free event, as an event already on its way would.
  bool m_echoOnUnadvise = false;
};

}  // namespace rre
