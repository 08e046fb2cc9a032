#include "fixture.h"

#include <fstream>

#include "engine/documents/Binding.h"
#include "framework/Wnd.h"

namespace tl {

namespace {
std::wstring Escape(const std::wstring& s) {
  std::wstring out;
  for (wchar_t c : s) {
    switch (c) {
      case L'<':
        out += L"&lt;";
        break;
      case L'&':
        out += L"&amp;";
        break;
      case L'"':
        out += L"&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}
}  // namespace

std::wstring ResultsXml(const std::vector<ThreatSpec>& threats) {
  std::wstring xml =
      L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ARDOThreatEngineResults version=\"4.0.0\">"
      L"<threats>";
  for (const ThreatSpec& t : threats) {
    xml += L"<threat id=\"" + std::to_wstring(t.id) + L"\" name=\"" + Escape(t.name) +
           L"\" level=\"" + std::to_wstring(t.level) + L"\" category=\"" + Escape(t.category) +
           L"\" adviseType=\"" + std::to_wstring(t.adviseType) + L"\" canQuarantine=\"" +
           (t.canQuarantine ? L"true" : L"false") + L"\" actionRequested=\"" +
           std::to_wstring(t.actionRequested) + L"\" cleanerResult=\"" +
           std::to_wstring(t.cleanerResult) + L"\">";
    xml += L"<desc>About " + Escape(t.name) + L"</desc><threatAdviceDetails>Remove " +
           Escape(t.name) + L"</threatAdviceDetails><traces>";
    for (const std::wstring& trace : t.traces)
      xml += L"<trace type=\"1\" dispValue=\"" + Escape(trace) + L"\"/>";
    xml += L"</traces></threat>";
  }
  xml += L"</threats></ARDOThreatEngineResults>";
  return xml;
}

ScratchFolder::ScratchFolder() {
  wchar_t tmp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, tmp);
  wchar_t name[MAX_PATH + 1] = {};
  ::GetTempFileNameW(tmp, L"rtl", 0, name);
  ::DeleteFileW(name);
  m_path = name;
  ::CreateDirectoryW(m_path.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
  WIN32_FIND_DATAW fd;
  HANDLE f = ::FindFirstFileW((m_path + L"\\*").c_str(), &fd);
  if (f != INVALID_HANDLE_VALUE) {
    do {
      std::wstring n = fd.cFileName;
      if (n != L"." && n != L"..") ::DeleteFileW((m_path + L"\\" + n).c_str());
    } while (::FindNextFileW(f, &fd));
    ::FindClose(f);
  }
  ::RemoveDirectoryW(m_path.c_str());
}

std::wstring ScratchFolder::Write(const std::wstring& name, const std::wstring& text) const {
  const std::wstring path = File(name);
  const std::string utf8 = ToBytes(text);
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    ::WriteFile(h, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    ::CloseHandle(h);
  }
  return path;
}

bool FileExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<unsigned char> ReadBytes(const std::wstring& path) {
  std::vector<unsigned char> bytes;
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return bytes;
  LARGE_INTEGER size{};
  ::GetFileSizeEx(h, &size);
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty()) ::ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  bytes.resize(read);
  ::CloseHandle(h);
  return bytes;
}

void PumpKeys(DWORD ms) {
  const ULONGLONG end = ::GetTickCount64() + ms;
  MSG m;
  do {
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (fw::PreTranslate(m)) continue;
      ::TranslateMessage(&m);
      ::DispatchMessageW(&m);
    }
    ::Sleep(1);
  } while (::GetTickCount64() < end);
}

void SettleFocus() {
  HWND focus = ::GetFocus();
  ULONGLONG since = ::GetTickCount64();
  const ULONGLONG end = since + 2000;
  while (::GetTickCount64() < end) {
    PumpKeys(10);
    if (::GetFocus() != focus) {
      focus = ::GetFocus();
      since = ::GetTickCount64();
    } else if (::GetTickCount64() - since >= 100) {
      return;
    }
  }
}

void PressKey(HWND hwnd, UINT vk, bool alt) {
  const UINT down = alt ? WM_SYSKEYDOWN : WM_KEYDOWN, up = alt ? WM_SYSKEYUP : WM_KEYUP;
  const LPARAM altBit = alt ? (1 << 29) : 0;
  ::PostMessageW(hwnd, down, vk, 1 | altBit);
  ::PostMessageW(hwnd, up, vk, static_cast<LPARAM>(0xC0000001u) | altBit);
  PumpKeys();
}

void Click(HWND hwnd, POINT pt) {
  const LPARAM at = MAKELPARAM(pt.x, pt.y);
  ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageW(hwnd, WM_LBUTTONUP, 0, at);
  PumpKeys();
}

}  // namespace tl
