#include "framework/WinAppEx.h"

#include <shellapi.h>

#include "framework/RegistryKey.h"
#include "framework/Wnd.h"

CWinAppEx* CWinAppEx::s_current = nullptr;

CWinAppEx::CWinAppEx() : m_instance(GetModuleHandleW(nullptr)) {
  if (!s_current) s_current = this;
}

CWinAppEx::~CWinAppEx() {
  if (s_current == this) s_current = nullptr;
}

BOOL CWinAppEx::InitInstance() { return TRUE; }

int CWinAppEx::ExitInstance() { return 0; }

// Offers keyboard and mouse input to the target window and its parents first
// (dialog navigation, default buttons).
BOOL CWinAppEx::PreTranslateMessage(MSG* msg) { return fw::PreTranslate(*msg) ? TRUE : FALSE; }

bool CWinAppEx::OnLoopException(std::exception_ptr) { return false; }

void CWinAppEx::StashException(std::exception_ptr error) {
  // The first one wins: a later one is usually a consequence of it.
  if (!m_stashed) m_stashed = std::move(error);
}

void CWinAppEx::RethrowStashedException() {
  if (m_stashed) {
    std::exception_ptr error = std::move(m_stashed);
    m_stashed = nullptr;
    std::rethrow_exception(error);
  }
}

int CWinAppEx::Run() {
  MSG msg{};
  for (;;) {
    try {
      BOOL got;
      while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) break;
        if (!PreTranslateMessage(&msg)) {
          TranslateMessage(&msg);
          DispatchMessageW(&msg);
        }
        RethrowStashedException();
      }
      break;
    } catch (...) {
      if (!OnLoopException(std::current_exception())) throw;
    }
  }
  return ExitInstance();
}

void CWinAppEx::SetRegistryKey(const std::wstring& company) { m_registryCompany = company; }

std::wstring CWinAppEx::ProfileKeyPath() const {
  if (m_registryCompany.empty() || m_appTitle.empty()) return {};
  return L"Software\\" + m_registryCompany + L"\\" + m_appTitle;
}

int CWinAppEx::ReadProfileInt(const wchar_t* entry, int defaultValue) const {
  std::wstring path = ProfileKeyPath();
  if (path.empty()) return defaultValue;
  CRegistryKey key;
  if (!key.Open(HKEY_CURRENT_USER, path, KEY_READ)) return defaultValue;
  auto value = key.ReadDword(entry);
  return value ? static_cast<int>(*value) : defaultValue;
}

bool CWinAppEx::WriteProfileInt(const wchar_t* entry, int value) const {
  std::wstring path = ProfileKeyPath();
  if (path.empty()) return false;
  CRegistryKey key;
  return key.Create(HKEY_CURRENT_USER, path, KEY_WRITE) &&
         key.WriteDword(entry, static_cast<DWORD>(value));
}

std::wstring CWinAppEx::ReadProfileText(const wchar_t* entry,
                                        const std::wstring& defaultValue) const {
  std::wstring path = ProfileKeyPath();
  if (path.empty()) return defaultValue;
  CRegistryKey key;
  if (!key.Open(HKEY_CURRENT_USER, path, KEY_READ)) return defaultValue;
  auto value = key.ReadString(entry);
  return value ? *value : defaultValue;
}

bool CWinAppEx::WriteProfileText(const wchar_t* entry, const std::wstring& value) const {
  std::wstring path = ProfileKeyPath();
  if (path.empty()) return false;
  CRegistryKey key;
  return key.Create(HKEY_CURRENT_USER, path, KEY_WRITE) && key.WriteString(entry, value);
}

HINSTANCE AfxGetResourceHandle() {
  CWinAppEx* app = AfxGetApp();
  return app ? app->GetResourceHandle() : GetModuleHandleW(nullptr);
}

int AppMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
  if (CWinAppEx* app = AfxGetApp(); app && app->Seams().messageBox)
    return app->Seams().messageBox(owner, text, caption, type);
  return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}

INT_PTR AppShellExecute(const std::wstring& verb, const std::wstring& file,
                        const std::wstring& params, int show) {
  if (CWinAppEx* app = AfxGetApp(); app && app->Seams().shellExecute)
    return app->Seams().shellExecute(verb, file, params, show);
  return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, verb.c_str(), file.c_str(),
                                                 params.empty() ? nullptr : params.c_str(), nullptr,
                                                 show));
}

BOOL AppExitWindows(UINT flags, DWORD reason) {
  if (CWinAppEx* app = AfxGetApp(); app && app->Seams().exitWindows)
    return app->Seams().exitWindows(flags, reason);
  return ExitWindowsEx(flags, reason);
}

std::optional<std::wstring> AppBrowseForFolder(const BROWSEINFOW& info) {
  if (CWinAppEx* app = AfxGetApp(); app && app->Seams().browseForFolder)
    return app->Seams().browseForFolder(info);
  BROWSEINFOW copy = info;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&copy);
  if (!chosen) return std::nullopt;
  wchar_t path[MAX_PATH] = L"";
  if (!SHGetPathFromIDListW(chosen, path)) path[0] = L'\0';
  CoTaskMemFree(chosen);
  return std::wstring(path);
}

std::optional<std::wstring> AppGetOpenFileName(const OPENFILENAMEW& info) {
  if (CWinAppEx* app = AfxGetApp(); app && app->Seams().openFile) return app->Seams().openFile(info);
  std::wstring buffer(32768, L'\0');
  OPENFILENAMEW copy = info;
  copy.lStructSize = sizeof(copy);
  copy.lpstrFile = buffer.data();
  copy.nMaxFile = static_cast<DWORD>(buffer.size());
  if (!GetOpenFileNameW(&copy)) return std::nullopt;
  buffer.resize(wcslen(buffer.c_str()));
  return buffer;
}
