#pragma once
// Drives the real engine executable through COM from the test process: an
// isolated data folder and watch folders (environment variables inherited by
// the engine that COM starts), registration with /regserver, an event sink
// that records every event, and a message pump for waiting on them.

#include <windows.h>
#include <ole2.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/ComObject.h"
#include "engine/ComRef.h"
#include "engine/EngineString.h"
#include "EngineContract.h"
#include "support/EngineProcess.h"

namespace rrtest {


// The folders the test engine works in (created once per test process).
struct EngineFolders {
  std::wstring data, watch, quick;
};
const EngineFolders& Folders();

// Pumps the thread's messages (the events arrive through them) until
// `done` holds or the time is up. Returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void Pump(DWORD ms);

struct Event {
  enum Kind { State, Progress, Clean, Definitions, Protection, Service } kind;
  std::vector<long> n;
  std::vector<std::wstring> s;
};

// Receives the four event interfaces and records every call.
// The client holds it by value.
class Sink : public ComMember<_IQVScanControlEvents, _IQVServiceEvents, _IQVActiveProtectionEvents,
                              _IQVThreatDefinitionsEvents> {
 public:

  STDMETHODIMP ScanStateChanged(long state, long) override;
  STDMETHODIMP ScanNotice(long, long, long, long, BSTR, BSTR, long, long) override { return S_OK; }
  STDMETHODIMP ScanProgress(long, long, BSTR threatName, BSTR objectName, BSTR category,
                            long threatId, long, long threatCount, long, long, long, long, long,
                            long tracesFound, long, long, long objects, long, long) override;
  STDMETHODIMP CleanProgress(long threatId, BSTR threatName, long, BSTR trace,
                             long progress) override;
  STDMETHODIMP ScanEvent7() override { return S_OK; }
  STDMETHODIMP ServiceEvent3(long) override { return S_OK; }
  STDMETHODIMP ServiceStatusChanged(long flag) override;
  STDMETHODIMP ServiceEvent5() override { return S_OK; }
  STDMETHODIMP ServiceEvent6(long) override { return S_OK; }
  STDMETHODIMP ServiceEvent7(long) override { return S_OK; }
  STDMETHODIMP ServiceEvent8(long, long, BSTR) override { return S_OK; }
  STDMETHODIMP ActiveProtectionEvent(BSTR text) override;
  STDMETHODIMP APEvent4(long) override { return S_OK; }
  STDMETHODIMP APEvent5(long) override { return S_OK; }
  STDMETHODIMP APEvent6(long) override { return S_OK; }
  STDMETHODIMP APEvent7() override { return S_OK; }
  STDMETHODIMP DefinitionsUpdateStatus(long, long status, long total, long done) override;
  STDMETHODIMP DefinitionsEvent4() override { return S_OK; }
  STDMETHODIMP DefinitionsEvent5(unsigned char*) override { return S_OK; }

  std::vector<Event> Events() const;
  std::vector<Event> Of(Event::Kind kind) const;
  void Clear();
  // The first recorded state among `states`, or -1.
  long FirstState(std::initializer_list<long> states) const;
  bool WaitState(std::initializer_list<long> states, DWORD timeoutMs = 60000);
  // True when any thread but the one that connected the sink delivered an event.
  bool OffThread() const { return m_offThread; }
  void SetHomeThread() { m_home = GetCurrentThreadId(); }

 private:
  void Record(Event e);
  mutable std::mutex m_mu;
  std::vector<Event> m_events;
  DWORD m_home = GetCurrentThreadId();
  bool m_offThread = false;
};

// One connection: a reference to each used component and the sink advised on
// the components that fire events.
class EngineClient {
 public:
  EngineClient();  // creates the components; check ok()
  ~EngineClient();
  EngineClient(const EngineClient&) = delete;
  EngineClient& operator=(const EngineClient&) = delete;

  bool ok() const { return m_hr == S_OK; }
  HRESULT hr() const { return m_hr; }
  bool Connect();  // advises the sink on scan control, service and definitions
  void Disconnect();

  ComRef<IQVService> service;
  ComRef<IQVActiveProtection> protection;
  ComRef<IQVScanControl> scan;
  ComRef<IQVQuarantine> quarantine;
  ComRef<IQVThreatDefinitions> definitions;
  Sink sink;

  std::wstring ScanConfig();
  HRESULT SetScanConfig(const std::wstring& text);
  std::wstring ResultsFile();
  long State();

 private:
  struct Advised {
    ComRef<IConnectionPoint> cp;
    DWORD cookie;
  };
  std::vector<Advised> m_advised;
  HRESULT m_hr = E_FAIL;
};

}  // namespace rrtest
