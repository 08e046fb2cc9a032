// snapshot.exe: renders scenes of the user interface to PNG files.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "snapshot/Snapshot.h"
#include "support/Capture.h"
#include "support/shipped_theme.h"

namespace snapshot {

namespace {

std::vector<std::pair<std::wstring, SceneFunction>>& Scenes() {
  static std::vector<std::pair<std::wstring, SceneFunction>> scenes;
  return scenes;
}

// Without a notification area on the X display (Xvfb has none), Wine shows the
// program's tray icon in a stand-in window of its own at the screen's top-left,
// over whatever a scene placed there. It is no part of what a user sees on
// Windows, so it is hidden before a picture is taken (it comes back whenever an
// icon changes, hence every time).
void HideStandInTray() {
  HWND tray = ::FindWindowW(L"__winex11_standalone_tray", nullptr);
  if (!tray || !::IsWindowVisible(tray)) return;
  ::ShowWindow(tray, SW_HIDE);
  PumpFor(100);  // what it covered paints again
}

}  // namespace

SceneRegistrar::SceneRegistrar(const wchar_t* name, SceneFunction fn) {
  Scenes().emplace_back(name, fn);
}

void PumpFor(DWORD ms) {
  DWORD start = ::GetTickCount();
  MSG m;
  while (::GetTickCount() - start < ms) {
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&m);
      ::DispatchMessageW(&m);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

bool Context::Report(bool ok, const std::wstring& path) {
  if (ok) {
    ++m_written;
    std::fwprintf(stdout, L"wrote %ls\n", path.c_str());
  } else {
    ++m_failures;
    std::fwprintf(stderr, L"FAILED %ls\n", path.c_str());
  }
  std::fflush(stdout);
  return ok;
}

bool Context::Capture(HWND topLevel, const std::wstring& name) {
  ::SetWindowPos(topLevel, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  PumpFor(150);
  HideStandInTray();
  auto px = testsupport::CopyFromScreen(topLevel);
  std::wstring path = m_outDir + L"\\" + name + L".png";
  return Report(px->SavePng(path), path);
}

bool Context::CaptureClient(HWND window, const std::wstring& name) {
  auto px = testsupport::PrintClient(window);
  std::wstring path = m_outDir + L"\\" + name + L".png";
  return Report(px->SavePng(path), path);
}

}  // namespace snapshot

int wmain(int argc, wchar_t** argv) {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::wstring out = testsupport::ExeFolderPath(L"..\\snapshots");
  std::vector<std::wstring> only;
  for (int i = 1; i < argc; ++i) {
    std::wstring a = argv[i];
    if (a == L"--out" && i + 1 < argc)
      out = argv[++i];
    else
      only.push_back(a);
  }
  if (!LoadShippedTheme()) {
    std::fwprintf(stderr, L"the shipped theme (res.dll, ui.xml) did not load\n");
    return 2;
  }
  snapshot::Context ctx(out);
  for (auto& [name, fn] : snapshot::Scenes()) {
    bool wanted = only.empty();
    for (auto& o : only) wanted = wanted || o == name;
    if (!wanted) continue;
    std::fwprintf(stdout, L"scene %ls\n", name.c_str());
    fn(ctx);
  }
  std::fwprintf(stdout, L"%d written, %d failed\n", ctx.Written(), ctx.Failures());
  ::CoUninitialize();
  return ctx.Failures() ? 1 : 0;
}
