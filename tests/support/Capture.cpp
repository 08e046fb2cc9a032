#include "support/Capture.h"

#include <shlobj.h>

namespace testsupport {

Pixels::Pixels(int width, int height) : m_w(width > 0 ? width : 1), m_h(height > 0 ? height : 1) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = m_w;
  bi.bmiHeader.biHeight = -m_h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  m_bmp = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  m_bits = static_cast<std::uint32_t*>(bits);
  m_dc = ::CreateCompatibleDC(nullptr);
  m_old = ::SelectObject(m_dc, m_bmp);
  Fill(RGB(0, 0, 0));
}

Pixels::~Pixels() {
  ::SelectObject(m_dc, m_old);
  ::DeleteDC(m_dc);
  ::DeleteObject(m_bmp);
}

std::uint32_t Pixels::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= m_w || y >= m_h || !m_bits) return 0xFFFFFFFFu;
  ::GdiFlush();
  return m_bits[static_cast<size_t>(y) * m_w + x] & 0x00FFFFFFu;
}

void Pixels::Fill(COLORREF color) {
  HBRUSH b = ::CreateSolidBrush(color);
  RECT rc{0, 0, m_w, m_h};
  ::FillRect(m_dc, &rc, b);
  ::DeleteObject(b);
}

namespace {

bool PngEncoder(CLSID* clsid) {
  UINT count = 0, size = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
  std::vector<BYTE> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (wcscmp(codecs[i].MimeType, L"image/png") == 0) {
      *clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

void CreateParentFolder(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return;
  std::wstring folder = path.substr(0, slash);
  ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
}

}  // namespace

bool Pixels::SavePng(const std::wstring& path) const {
  CLSID png;
  if (!PngEncoder(&png)) return false;
  ::GdiFlush();
  Gdiplus::Bitmap bmp(m_w, m_h, m_w * 4, PixelFormat32bppRGB, reinterpret_cast<BYTE*>(m_bits));
  CreateParentFolder(path);
  return bmp.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

std::unique_ptr<Pixels> PrintClient(HWND hwnd) {
  RECT rc{};
  ::GetClientRect(hwnd, &rc);
  auto p = std::make_unique<Pixels>(rc.right, rc.bottom);
  ::SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(p->dc()), PRF_CLIENT);
  return p;
}

std::unique_ptr<Pixels> CopyFromScreen(HWND hwnd) {
  ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
  ::GdiFlush();
  RECT rc{};
  ::GetClientRect(hwnd, &rc);
  auto p = std::make_unique<Pixels>(rc.right, rc.bottom);
  HDC screen = ::GetDC(nullptr);
  POINT origin{0, 0};
  ::ClientToScreen(hwnd, &origin);
  ::BitBlt(p->dc(), 0, 0, rc.right, rc.bottom, screen, origin.x, origin.y, SRCCOPY);
  ::ReleaseDC(nullptr, screen);
  return p;
}

bool WriteSolidPng(const std::wstring& path, int width, int height, std::uint32_t argb) {
  CLSID png;
  if (!PngEncoder(&png)) return false;
  Gdiplus::Bitmap bmp(width, height, PixelFormat32bppARGB);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) bmp.SetPixel(x, y, Gdiplus::Color(argb));
  CreateParentFolder(path);
  return bmp.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

std::wstring ExeFolderPath(const std::wstring& relative) {
  wchar_t buf[MAX_PATH];
  DWORD n = ::GetModuleFileNameW(nullptr, buf, MAX_PATH);
  std::wstring path(buf, n);
  path.resize(path.find_last_of(L'\\') + 1);
  path += relative;
  wchar_t full[MAX_PATH];
  DWORD m = ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  return m > 0 && m < MAX_PATH ? std::wstring(full, m) : path;
}

}  // namespace testsupport
