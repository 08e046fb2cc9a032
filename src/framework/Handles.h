#pragma once
// Owners of Windows handles, one for every kind the program holds: kernel
// handles (files, events, threads), internet handles, GDI and USER objects.
// Each releases its handle with the function its kind needs, on every path.

#include <windows.h>
#include <wininet.h>

#include <utility>

// Generic owner for handles released by a plain function (icons, menus, modules, DCs...).
template <typename H, auto Release>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(H handle) : m_handle(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  H get() const { return m_handle; }
  explicit operator bool() const { return m_handle != nullptr; }
  H release() { return std::exchange(m_handle, nullptr); }
  void reset(H handle = nullptr) {
    H old = std::exchange(m_handle, handle);
    if (old) Release(old);
  }

 private:
  H m_handle = nullptr;
};

// Kernel handles (events, threads, processes, mappings) go with CloseHandle.
using UniqueKernelHandle = UniqueHandle<HANDLE, &::CloseHandle>;
using UniqueEvent = UniqueKernelHandle;

// An open file: CreateFileW reports failure as INVALID_HANDLE_VALUE, which the
// owner keeps as empty, so `if (file)` tells whether the file opened.
class UniqueFile : public UniqueKernelHandle {
 public:
  UniqueFile() = default;
  explicit UniqueFile(HANDLE handle) : UniqueKernelHandle(Valid(handle)) {}
  void reset(HANDLE handle = nullptr) { UniqueKernelHandle::reset(Valid(handle)); }

 private:
  static HANDLE Valid(HANDLE handle) { return handle == INVALID_HANDLE_VALUE ? nullptr : handle; }
};

// Internet sessions, connections and requests go with InternetCloseHandle.
using UniqueInternet = UniqueHandle<HINTERNET, &::InternetCloseHandle>;

// GDI objects (HFONT, HBRUSH, HPEN, HBITMAP, HRGN) go with DeleteObject.
template <typename H>
using UniqueGdiObject = UniqueHandle<H, &::DeleteObject>;
using UniqueFont = UniqueGdiObject<HFONT>;
using UniqueBrush = UniqueGdiObject<HBRUSH>;
using UniquePen = UniqueGdiObject<HPEN>;
using UniqueBitmap = UniqueGdiObject<HBITMAP>;
using UniqueRegion = UniqueGdiObject<HRGN>;

using UniqueIcon = UniqueHandle<HICON, &::DestroyIcon>;
using UniqueMenu = UniqueHandle<HMENU, &::DestroyMenu>;
using UniqueModule = UniqueHandle<HMODULE, &::FreeLibrary>;
using UniqueMemoryDC = UniqueHandle<HDC, &::DeleteDC>;

// Selects a GDI object into a device context for one scope and restores the previous one.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object)
      : m_dc(dc), m_old(object ? ::SelectObject(dc, object) : nullptr) {}
  ~ScopedSelect() {
    if (m_old) ::SelectObject(m_dc, m_old);
  }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC m_dc;
  HGDIOBJ m_old;
};

// A window's device context from GetDC, released with ReleaseDC.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : m_window(window), m_dc(::GetDC(window)) {}
  ~WindowDC() {
    if (m_dc) ::ReleaseDC(m_window, m_dc);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return m_dc; }
  explicit operator bool() const { return m_dc != nullptr; }

 private:
  HWND m_window;
  HDC m_dc;
};
