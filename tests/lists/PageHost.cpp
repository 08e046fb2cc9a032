#include "lists/PageHost.h"

#include "framework/Wnd.h"
#include "theme/ThemeResources.h"

namespace lists {

ScriptedApp::ScriptedApp() {
  Seams().messageBox = [this](HWND, const std::wstring& text, const std::wstring&, UINT type) {
    boxes.push_back({text, type});
    if (!boxAnswers.empty()) {
      int answer = boxAnswers.front();
      boxAnswers.pop_front();
      return answer;
    }
    const UINT buttons = type & MB_TYPEMASK;
    return buttons == MB_YESNO || buttons == MB_YESNOCANCEL ? IDYES : IDOK;
  };
  Seams().browseForFolder = [this](const BROWSEINFOW& info) -> std::optional<std::wstring> {
    ++folderOpenings;
    lastFolderFlags = info.ulFlags;
    if (folderAnswers.empty()) return std::nullopt;
    auto answer = folderAnswers.front();
    folderAnswers.pop_front();
    return answer;
  };
  Seams().openFile = [this](const OPENFILENAMEW& info) -> std::optional<std::wstring> {
    ++fileOpenings;
    lastFileFlags = info.Flags;
    if (fileAnswers.empty()) return std::nullopt;
    auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
  };
}

HostWindow::HostWindow(int width, int height) {
  RECT r{0, 0, width, height};
  ::AdjustWindowRectEx(&r, WS_POPUP, FALSE, 0);
  // Never activated: Wine waits for the (absent) window manager when an active
  // top-level window goes away.
  m_hwnd = ::CreateWindowExW(WS_EX_NOACTIVATE, CWnd::DefaultClassName(), L"lists host", WS_POPUP, 0,
                             0, r.right - r.left, r.bottom - r.top, nullptr, nullptr, nullptr,
                             nullptr);
  if (m_hwnd) ::ShowWindow(m_hwnd, SW_SHOWNA);
}

HostWindow::~HostWindow() {
  if (m_hwnd) ::DestroyWindow(m_hwnd);
}

void Pump() { fw::PumpPending(); }

void TypeKey(UINT vk) {
  HWND focus = ::GetFocus();
  for (UINT msg : {WM_KEYDOWN, WM_KEYUP}) {
    MSG m{};
    m.hwnd = focus;
    m.message = msg;
    m.wParam = vk;
    m.lParam = msg == WM_KEYUP ? static_cast<LPARAM>(0xC0000001) : 1;
    if (!fw::PreTranslate(m)) {
      ::TranslateMessage(&m);
      ::DispatchMessageW(&m);
    }
    Pump();
  }
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = bytes.empty() ||
            ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(h);
  return ok && written == bytes.size();
}

std::string ReadFileBytes(const std::wstring& path) {
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  std::string out;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got) out.append(buffer, got);
  ::CloseHandle(h);
  return out;
}

bool FileExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring MakeScratchFolder(const std::wstring& tag) {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  static int counter = 0;
  std::wstring path = std::wstring(temp) + L"rr_lists_" + tag + L"_" +
                      std::to_wstring(::GetCurrentProcessId()) + L"_" + std::to_wstring(++counter);
  RemoveTree(path);
  ::CreateDirectoryW(path.c_str(), nullptr);
  return path;
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  HANDLE f = ::FindFirstFileW((path + L"\\*").c_str(), &fd);
  if (f != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(child.c_str());
      }
    } while (::FindNextFileW(f, &fd));
    ::FindClose(f);
  }
  ::RemoveDirectoryW(path.c_str());
}

std::wstring Res(UINT id) { return Theme().LoadResString(id); }

}  // namespace lists
