#include "support/FrameHarness.h"

#include <gdiplus.h>

#include <vector>

#include "app/MainFrame.h"
#include "app/RodeRedudApp.h"
#include "engine/EngineSession.h"
#include "support/FakeEngine.h"
#include "support/shipped_theme.h"
#include "framework/Handles.h"

namespace {

const wchar_t kHarnessNVPairs[] =
    L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><NVPairs SchemaVersion=\"4.0.0\">"
    L"<NVPair Name=\"last_quick_scan\" Value=\"0\"/>"
    L"<NVPair Name=\"last_full_scan\" Value=\"0\"/>"
    L"<NVPair Name=\"last_scan_threat_count\" Value=\"0\"/>"
    L"<NVPair Name=\"last_scan_threat_level\" Value=\"-1\"/>"
    L"</NVPairs>";

bool PngEncoder(CLSID* clsid) {
  UINT count = 0, size = 0;
  Gdiplus::GetImageEncodersSize(&count, &size);
  if (!size) return false;
  std::vector<BYTE> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  Gdiplus::GetImageEncoders(count, size, codecs);
  for (UINT i = 0; i < count; ++i) {
    if (wcscmp(codecs[i].MimeType, L"image/png") == 0) {
      *clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

}  // namespace

FrameHarness::FrameHarness() = default;

FrameHarness::~FrameHarness() {
  m_frame.reset();
  ::Engine().ReleaseAll();
  m_engine.reset();
  if (m_app) RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\RodeRedudHarness");
}

bool FrameHarness::Start(int clientWidth, int clientHeight, bool show) {
  if (!LoadShippedTheme()) return false;
  m_app = std::make_unique<CRodeRedudApp>();
  m_app->SetRegistryKey(L"RodeRedudHarness");
  m_app->SetAppTitle(L"Harness");
  m_engine = std::make_unique<FakeEngine>();
  m_engine->SetText(L"GetConfigDocument", kHarnessNVPairs);
  if (!::Engine().EnsureEngine()) return false;
  m_frame = std::make_unique<CMainFrame>();
  if (!m_frame->CreateMainWindow()) return false;
  RECT r{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&r, CMainFrame::kWindowStyle, FALSE, 0);
  SetWindowPos(m_frame->m_hWnd, HWND_TOP, 0, 0, r.right - r.left, r.bottom - r.top, 0);
  if (show) {
    m_frame->ShowWindow(SW_SHOW);
    m_frame->UpdateWindow();
  }
  return true;
}

void PumpFor(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  MSG m;
  do {
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    Sleep(1);
  } while (GetTickCount64() < end);
}

bool SaveWindowPng(HWND hwnd, const std::wstring& path) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  WindowDC screen(nullptr);
  UniqueMemoryDC mem(CreateCompatibleDC(screen.get()));
  UniqueBitmap bmp(CreateCompatibleBitmap(screen.get(), w, h));
  if (!mem || !bmp) return false;
  {
    ScopedSelect sel(mem.get(), bmp.get());
    BitBlt(mem.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY | CAPTUREBLT);
  }
  CLSID png{};
  if (!PngEncoder(&png)) return false;
  Gdiplus::Bitmap image(bmp.get(), nullptr);
  return image.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}
