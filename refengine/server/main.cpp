// RodeRedudEngine.exe: the reference scan engine, a COM local server.
//   /regserver     register the classes and the type library, then end
//   /unregserver   remove them, then end
//   /stop          tell a running engine to shut down
//   (otherwise)    serve the classes until the last client has gone

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "ServerLifetime.h"
#include "Engine.h"
#include "EngineContract.h"
#include "Objects.h"

namespace rre {
namespace {

std::atomic<long> g_count{0};
std::atomic<DWORD> g_idleSince{0};  // tick at which the count last fell to zero
constexpr DWORD kGraceMs = 3000;
constexpr wchar_t kStopEvent[] = L"Local\\RodeRedudEngineStop";

std::wstring ModulePath() {
  wchar_t buf[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  return std::wstring(buf, n);
}

std::wstring GuidText(const GUID& g) {
  wchar_t buf[64];
  StringFromGUID2(g, buf, 64);
  return buf;
}

LONG SetValue(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY h;
  LONG r = RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr);
  if (r) return r;
  r = RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     DWORD((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(h);
  return r;
}

int Register() {
  std::wstring exe = ModulePath();
  size_t count = 0;
  const EngineClass* classes = EngineClasses(count);
  for (size_t i = 0; i < count; ++i) {
    std::wstring key = L"CLSID\\" + GuidText(*classes[i].clsid);
    if (SetValue(HKEY_CLASSES_ROOT, key, nullptr, classes[i].name) ||
        SetValue(HKEY_CLASSES_ROOT, key + L"\\LocalServer32", nullptr, L"\"" + exe + L"\""))
      return 2;
  }
  ITypeLib* lib = nullptr;
  HRESULT hr = LoadTypeLibEx(exe.c_str(), REGKIND_REGISTER, &lib);
  if (FAILED(hr)) return 3;
  lib->Release();
  return 0;
}

int Unregister() {
  size_t count = 0;
  const EngineClass* classes = EngineClasses(count);
  for (size_t i = 0; i < count; ++i)
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(*classes[i].clsid)).c_str());
  UnRegisterTypeLib(LIBID_QVEngineLib, 1, 0, LOCALE_NEUTRAL, SYS_WIN64);
  return 0;
}

int Serve() {
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 4;
  MSG msg;
  PeekMessageW(&msg, nullptr, WM_USER, WM_USER,
               PM_NOREMOVE);  // the thread's queue exists from now on
  HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, kStopEvent);
  Engine& engine = Engine::Instance();
  engine.Start();

  size_t count = 0;
  EngineClasses(count);
  std::vector<DWORD> cookies(count, 0);
  auto registerAll = [&] {
    for (size_t i = 0; i < count; ++i) {
      size_t n;
      IClassFactory* f = NewClassFactory(i);
      CoRegisterClassObject(*EngineClasses(n)[i].clsid, f, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                            &cookies[i]);
      f->Release();
    }
  };
  auto revokeAll = [&] {
    for (DWORD& c : cookies)
      if (c) CoRevokeClassObject(c), c = 0;
  };
  g_idleSince = GetTickCount();
  registerAll();

  // Ends when no client has held an object for a short grace period (a
  // server started but never used ends too), or when asked to stop.
  SetTimer(nullptr, 0, 500, nullptr);
  for (;;) {
    DWORD r = MsgWaitForMultipleObjects(1, &stop, FALSE, INFINITE, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) break;
    bool idle = false;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_TIMER && g_count == 0 && GetTickCount() - g_idleSince >= kGraceMs)
        idle = true;
      DispatchMessageW(&msg);
    }
    if (!idle) continue;
    revokeAll();
    if (g_count == 0) break;
    registerAll();  // a client came in at the last moment: keep serving
  }
  revokeAll();
  engine.Shutdown();
  if (stop) CloseHandle(stop);
  CoUninitialize();
  return 0;
}

}  // namespace

void ServerLifetime::Add() { ++g_count; }
void ServerLifetime::Release() {
  if (--g_count == 0) g_idleSince = GetTickCount();
}
long ServerLifetime::Count() { return g_count; }

}  // namespace rre

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR cmdLine, int) {
  std::wstring cmd = cmdLine ? cmdLine : L"";
  for (auto& c : cmd) c = towlower(c);
  auto has = [&cmd](const wchar_t* sw) {
    return cmd.find(std::wstring(L"/") + sw) != std::wstring::npos ||
           cmd.find(std::wstring(L"-") + sw) != std::wstring::npos;
  };
  if (has(L"unregserver")) return rre::Unregister();
  if (has(L"regserver")) return rre::Register();
  if (has(L"stop")) {
    HANDLE e = OpenEventW(EVENT_MODIFY_STATE, FALSE, rre::kStopEvent);
    if (!e) return 1;
    SetEvent(e);
    CloseHandle(e);
    return 0;
  }
  return rre::Serve();
}
