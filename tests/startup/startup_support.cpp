#include "startup_support.h"

#include <shlwapi.h>

#include <filesystem>
#include <fstream>

#include "framework/RegistryKey.h"
#include "framework/TextConvert.h"

namespace startup {
namespace {

std::wstring OutFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  PathRemoveFileSpecW(path);
  return path;
}

std::wstring ResString(UINT id) {
  HMODULE module = LoadLibraryExW((OutFolder() + L"\\startup_res.dll").c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE);
  wchar_t buffer[256] = L"";
  int n = module ? LoadStringW(module, id, buffer, 256) : 0;
  if (module) FreeLibrary(module);
  return std::wstring(buffer, n > 0 ? n : 0);
}

std::string XmlEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else
      out += c;
  }
  return out;
}

int g_counter = 0;

}  // namespace

Installation::Installation(const ThemeValues& values) {
  const std::wstring unique =
      std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++g_counter);
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  m_folder = std::wstring(temp) + L"rr_startup_" + unique;
  m_company = L"RRStartupCo_" + unique;
  m_appName = L"RRStartupApp";
  m_windowClass = L"RRStartupWindow_" + unique;
  CreateDirectoryW(m_folder.c_str(), nullptr);
  const std::wstring out = OutFolder();
  CopyFileW((out + L"\\RodeRedud.exe").c_str(), Exe().c_str(), FALSE);
  CopyFileW((out + L"\\startup_res.dll").c_str(), (m_folder + L"\\res.dll").c_str(), FALSE);
  WriteTheme(values);
}

Installation::~Installation() {
  DeleteRegistryTree(HKEY_CURRENT_USER, L"Software\\" + m_company);
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, L"Software\\" + m_company);
  for (const wchar_t* name : {L"RodeRedud.exe", L"res.dll", L"ui.xml"})
    DeleteFileW((m_folder + L"\\" + name).c_str());
  RemoveDirectoryW(m_folder.c_str());
}

void Installation::WriteTheme(const ThemeValues& values, const std::string& raw) {
  std::ofstream file(std::filesystem::path(m_folder + L"\\ui.xml"),
                     std::ios::binary | std::ios::trunc);
  if (!raw.empty()) {
    file << raw;
    return;
  }
  file << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<ui>\n<strings>\n"
       << "<company_name>" << ToBytes(m_company) << "</company_name>\n"
       << "<app_name>" << ToBytes(m_appName) << "</app_name>\n"
       << "<ucn>" << ToBytes(m_windowClass) << "</ucn>\n"
       << "<exe_name>RodeRedud.exe</exe_name>\n"
       << "<version>" << XmlEscape(ToBytes(values.version)) << "</version>\n"
       << "<lang_id>EN</lang_id>\n";
  if (!values.surveyHost.empty())
    file << "<survey_host>" << ToBytes(values.surveyHost) << "</survey_host>\n";
  file << "</strings>\n<integers>\n"
       << "<pid>" << values.pid << "</pid>\n"
       << "<vendor_id>" << values.vendorId << "</vendor_id>\n"
       << "<cpid>" << values.cpid << "</cpid>\n"
       << "</integers>\n<colors/>\n<fonts/>\n</ui>\n";
}

void Installation::RemoveFile(const wchar_t* name) {
  DeleteFileW((m_folder + L"\\" + name).c_str());
}

std::wstring Installation::ProfileKey() const {
  return L"Software\\" + m_company + L"\\" + Title();
}
std::wstring Installation::MachineKey() const {
  return L"Software\\" + m_company + L"\\" + m_appName;
}
std::wstring Installation::Title() { return ResString(57344); }
std::wstring Installation::MutexName() { return ResString(128); }
std::wstring Installation::TaskName() { return ResString(174); }
std::wstring Installation::TaskComment() { return ResString(175); }

Child::Child(const std::wstring& exe, const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &si, &pi)) {
    CloseHandle(pi.hThread);
    m_process = pi.hProcess;
    m_id = pi.dwProcessId;
  }
}

Child::~Child() {
  if (m_process) {
    if (Running()) {
      TerminateProcess(m_process, 1);
      WaitForSingleObject(m_process, 5000);
    }
    CloseHandle(m_process);
  }
}

bool Child::Wait(DWORD timeoutMs) {
  if (!m_process) return false;
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    ULONGLONG now = GetTickCount64();
    DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
    DWORD rc = MsgWaitForMultipleObjects(1, &m_process, FALSE, left, QS_ALLINPUT);
    if (rc == WAIT_OBJECT_0) return true;
    if (rc != WAIT_OBJECT_0 + 1) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

bool Child::Running() const {
  return m_process && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT;
}

DWORD Child::ExitCode() const {
  DWORD code = ~0u;
  if (m_process) GetExitCodeProcess(m_process, &code);
  return code;
}

DWORD Run(const std::wstring& exe, const std::wstring& arguments, DWORD timeoutMs) {
  Child child(exe, arguments);
  if (!child.Started() || !child.Wait(timeoutMs)) return ~0u;
  return child.ExitCode();
}

void Pump(DWORD ms) {
  const ULONGLONG deadline = GetTickCount64() + ms;
  while (GetTickCount64() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

}  // namespace startup
