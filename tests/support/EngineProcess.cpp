#include "support/EngineProcess.h"

#include <tlhelp32.h>

namespace rrtest {

namespace {

void PumpBriefly(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
  }
}

}  // namespace

std::wstring EngineExe() {
  wchar_t buf[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  std::wstring self(buf, n);
  return self.substr(0, self.find_last_of(L'\\') + 1) + L"RodeRedudEngine.exe";
}

DWORD RunEngine(const std::wstring& args) {
  std::wstring cmd = L"\"" + EngineExe() + L"\" " + args;
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return DWORD(-1);
  WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = DWORD(-1);
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

std::vector<DWORD> EngineProcesses() {
  std::vector<DWORD> out;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return out;
  PROCESSENTRY32W pe{sizeof pe};
  for (BOOL more = Process32FirstW(snap, &pe); more; more = Process32NextW(snap, &pe))
    if (!_wcsicmp(pe.szExeFile, L"RodeRedudEngine.exe")) out.push_back(pe.th32ProcessID);
  CloseHandle(snap);
  return out;
}

bool StopEngines(DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (!EngineProcesses().empty()) {
    RunEngine(L"/stop");
    PumpBriefly(200);
    if (GetTickCount64() > end) return false;
  }
  return true;
}

void RemoveFolderTree(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  HANDLE f = FindFirstFileW((path + L"\\*").c_str(), &fd);
  if (f != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveFolderTree(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(f, &fd));
    FindClose(f);
  }
  RemoveDirectoryW(path.c_str());
}

}  // namespace rrtest
