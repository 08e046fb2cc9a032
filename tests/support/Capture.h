#pragma once
// Pixels of windows for tests and the snapshot tool: a window's client area
// painted through WM_PRINTCLIENT into a 32-bit DIB, or copied from the screen; PNG
// files written and read with GDI+.

#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// A 32-bit top-down image in memory (0x00RRGGBB words).
class Pixels {
 public:
  Pixels(int width, int height);
  ~Pixels();
  Pixels(const Pixels&) = delete;
  Pixels& operator=(const Pixels&) = delete;

  int width() const { return m_w; }
  int height() const { return m_h; }
  HDC dc() const { return m_dc; }
  // 0x00RRGGBB, or 0xFFFFFFFF outside.
  std::uint32_t at(int x, int y) const;
  void Fill(COLORREF color);
  bool SavePng(const std::wstring& path) const;

 private:
  int m_w, m_h;
  HDC m_dc = nullptr;
  HBITMAP m_bmp = nullptr;
  HGDIOBJ m_old = nullptr;
  std::uint32_t* m_bits = nullptr;
};

// The window's client area painted by the window itself (WM_PRINTCLIENT).
std::unique_ptr<Pixels> PrintClient(HWND hwnd);
// The window's client area as it shows on the screen (the window must be visible
// and on top); its pending paints are flushed first.
std::unique_ptr<Pixels> CopyFromScreen(HWND hwnd);

// Writes a solid ARGB image as PNG (creating its folder).
bool WriteSolidPng(const std::wstring& path, int width, int height, std::uint32_t argb);
// Full path of a file under the running executable's folder.
std::wstring ExeFolderPath(const std::wstring& relative);

// 0x00RRGGBB of a colour.
constexpr std::uint32_t Rgb(int r, int g, int b) {
  return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
         static_cast<std::uint32_t>(b);
}

}  // namespace testsupport
