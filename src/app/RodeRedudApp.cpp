#include "app/RodeRedudApp.h"

#include <windows.h>
#include <commctrl.h>
#include <exdisp.h>
#include <ole2.h>
#include <shldisp.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <cstdlib>
#include <ctime>

#include "app/MainFrame.h"
#include "app/Settings.h"
#include "framework/RegistryKey.h"
#include "pages/settings/Scheduler.h"
#include "telemetry/SurveyReport.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

namespace {

// An owned interface pointer for the shell calls below.
template <typename T>
class ShellRef {
 public:
  ShellRef() = default;
  ~ShellRef() {
    if (m_p) m_p->Release();
  }
  ShellRef(const ShellRef&) = delete;
  ShellRef& operator=(const ShellRef&) = delete;
  T* operator->() const { return m_p; }
  T* Get() const { return m_p; }
  explicit operator bool() const { return m_p != nullptr; }
  T** Put() {
    if (m_p) m_p->Release();
    m_p = nullptr;
    return &m_p;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }

 private:
  T* m_p = nullptr;
};

// A VARIANT cleared on every path.
struct Variant {
  VARIANT v;
  Variant() { VariantInit(&v); }
  explicit Variant(const std::wstring& text) {
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text.c_str());
  }
  explicit Variant(int value) {
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
  }
  ~Variant() { VariantClear(&v); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
};

std::wstring LoadModuleString(HMODULE module, UINT id) {
  wchar_t buffer[261] = L"";
  int length = LoadStringW(module, id, buffer, 261);
  return std::wstring(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

}  // namespace

CRodeRedudApp::CRodeRedudApp() {
  SetCurrentProcessExplicitAppUserModelID(L"RodeRedud.AppID.NoVersion");
}

CRodeRedudApp::~CRodeRedudApp() {
  if (m_instanceMutex) CloseHandle(m_instanceMutex);
  if (m_resourceLibrary) FreeLibrary(m_resourceLibrary);
}

std::wstring CRodeRedudApp::ExecutablePath() const {
  wchar_t path[MAX_PATH] = L"";
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::wstring(path, length);
}

void CRodeRedudApp::ShowStartupError(const std::wstring& text) {
  AppMessageBox(nullptr, text, AppTitle(), MB_OK);
}

BOOL CRodeRedudApp::InitInstance() {
  // 1. The application folder is the executable's; it becomes the current directory.
  const std::wstring exePath = ExecutablePath();
  size_t slash = exePath.rfind(L'\\');
  m_appFolder = slash == std::wstring::npos ? exePath : exePath.substr(0, slash);
  SetCurrentDirectoryW(m_appFolder.c_str());

  // 2. The resource library, found through the current directory.
  m_resourceLibrary = LoadLibraryW(L"res.dll");
  if (!m_resourceLibrary) {
    DWORD error = GetLastError();
    ShowStartupError(L"Error (" + std::to_wstring(error) + L"): Please reinstall the application");
    return FALSE;
  }

  // 3. It supplies every resource from now on; string IDS_APP_TITLE is the title.
  SetResourceHandle(m_resourceLibrary);
  SetAppTitle(LoadModuleString(m_resourceLibrary, IDS_APP_TITLE));

  // 4. The theme document beside the executable.
  wchar_t themePath[MAX_PATH] = L"";
  lstrcpynW(themePath, m_appFolder.c_str(), MAX_PATH);
  PathAppendW(themePath, L"ui.xml");
  CThemeResources& theme = Theme();
  if (!theme.Load(themePath, m_resourceLibrary)) {
    ShowStartupError(L"Failed to initialize UI: Please reinstall the application");
    return FALSE;
  }

  // 5, 6. The profile root and the main window's class name.
  SetRegistryKey(theme.GetString(L"company_name"));
  m_windowClass = theme.GetString(L"ucn");

  // 7. Every start records its command line before anything is parsed: a
  // running instance reads it on the hand-over message.
  WriteProfileText(settings::kCommandLine, CommandLine());

  // 8.
  m_parser.ParseCommandLine(CommandLine());

  // 9, 10. Installer hooks.
  if (m_parser.HasSwitch(L"install")) {
    RunInstallHook();
    return FALSE;
  }
  if (m_parser.HasSwitch(L"uninstall")) {
    SetLaunchOnStartup(false);
    return FALSE;
  }

  // 11. The component runtime, single-threaded apartment.
  if (FAILED(OleInitialize(nullptr))) return FALSE;
  m_oleInitialized = true;

  // 12. Start again as the desktop user.
  if (m_parser.HasSwitch(L"unelevate")) {
    RunRelaunch();
    return FALSE;
  }

  // 13. Single instance.
  const bool report = m_parser.HasSwitch(L"report") || m_parser.HasSwitch(L"ureport");
  const std::wstring mutexName = theme.LoadResString(IDS_PRODUCT_NAME);
  HANDLE mutex = CreateMutexW(nullptr, TRUE, mutexName.c_str());
  const bool existed = mutex && GetLastError() == ERROR_ALREADY_EXISTS;
  HWND running = nullptr;
  if (existed) {
    running = FindWindowExW(nullptr, nullptr, m_windowClass.c_str(), nullptr);
    CloseHandle(mutex);
    if (!running) return FALSE;
  } else {
    m_instanceMutex = mutex;  // held, and owned, until the process ends
  }

  // 14. Hand the command line over to the running instance.
  if (existed && !report) {
    ShowWindow(running, SW_SHOW);
    SendMessageW(running, WM_SYSCOMMAND, SC_RESTORE, 0);
    SetForegroundWindow(running);
    PostMessageW(running, WM_APP_HANDOVER, 0, 0);
    if (m_parser.HasSwitch(L"shutdown")) {
      // Wait, without limit, until the running instance has released the mutex by ending.
      for (;;) {
        HANDLE probe = CreateMutexW(nullptr, TRUE, mutexName.c_str());
        const bool stillThere = probe && GetLastError() == ERROR_ALREADY_EXISTS;
        if (probe) CloseHandle(probe);
        if (!stillThere) break;
        Sleep(250);
      }
    }
    return FALSE;
  }

  // 15.
  if (m_parser.HasSwitch(L"shutdown")) return FALSE;

  // 16. The main window class.
  WNDCLASSW windowClass{};
  windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetInstanceHandle();
  windowClass.hIcon = LoadIconW(m_resourceLibrary, MAKEINTRESOURCEW(IDI_APP));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = m_windowClass.c_str();
  if (!RegisterClassW(&windowClass)) return FALSE;

  // 17. Common controls; no per-window taskbar thumbnails.
  INITCOMMONCONTROLSEX controls{sizeof(controls), 0xFF};
  InitCommonControlsEx(&controls);
  CWinAppEx::InitInstance();
  m_taskbarInteraction = false;

  // 18. Survey reports.
  if (m_parser.HasSwitch(L"report")) {
    RunSurveyReport(false);
    return FALSE;
  }
  if (m_parser.HasSwitch(L"ureport")) {
    RunSurveyReport(true);
    return FALSE;
  }

  // 19 onwards: the interactive program.
  return StartInteractive();
}

int CRodeRedudApp::ExitInstance() {
  StopInteractive();
  if (m_oleInitialized) {
    OleUninitialize();
    m_oleInitialized = false;
  }
  if (m_resourceLibrary) {
    FreeLibrary(m_resourceLibrary);
    m_resourceLibrary = nullptr;
    SetResourceHandle(nullptr);
  }
  CWinAppEx::ExitInstance();
  return 0;
}

void CRodeRedudApp::RunInstallHook() {
  const std::wstring keyPath = settings::MachineKeyPathFromTheme();
  {
    CRegistryKey key;
    if (key.Create(HKEY_LOCAL_MACHINE, keyPath, KEY_ALL_ACCESS)) {
      FILETIME now;
      GetSystemTimeAsFileTime(&now);
      key.WriteQword(settings::kInstallTime,
                     (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
      if (m_parser.HasSwitch(L"noap")) key.WriteDword(settings::kAutoActiveProtection, 0);
    }
  }
  {
    CRegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, keyPath, KEY_READ | KEY_WRITE)) {
      std::srand(static_cast<unsigned>(std::time(nullptr)));
      int r1 = std::rand();
      int r2 = std::rand();
      int r3 = std::rand();
      settings::DefaultScanTimes times = settings::ComputeDefaultScanTimes(r1, r2, r3);
      key.WriteString(settings::kQuickScanTime, times.quickTime);
      key.WriteString(settings::kFullScanTime, times.fullTime);
      key.WriteDword(settings::kFullScanDay, times.fullDay);
    }
  }
  SetLaunchOnStartup(true);
}

void CRodeRedudApp::SetLaunchOnStartup(bool enable) {
  WriteProfileInt(settings::kLaunchOnStartup, enable ? 1 : 0);
  CThemeResources& theme = Theme();
  const std::wstring name = theme.LoadResString(IDS_TASK_NAME);
  Scheduler scheduler;
  const bool exists = scheduler.TaskExists(name);
  if (enable && !exists) {
    const std::wstring executable = m_appFolder + L"\\" + theme.GetString(L"exe_name");
    const std::wstring comment = theme.LoadResString(IDS_TASK_COMMENT);
    // CreateTask balances this initialisation itself.
    if (SUCCEEDED(CoInitialize(nullptr)))
      scheduler.CreateTask(name, comment, executable, m_appFolder);
    TASK_TRIGGER trigger = LogonTrigger();
    scheduler.AddTaskTrigger(name, &trigger);
  } else if (!enable && exists) {
    scheduler.DeleteTask(name);
  }
}

void CRodeRedudApp::RunRelaunch() {
  CCommandLineParser again;
  again.ParseCommandLine(CommandLine());
  again.RemoveSwitch(L"unelevate");
  const std::wstring arguments = again.BuildCommandLine();
  const std::wstring path = ExecutablePath();
  if (!RelaunchThroughShell(path, arguments, m_windowClass))
    AppShellExecute(L"open", path, arguments, SW_SHOW);
}

bool RelaunchThroughShell(const std::wstring& path, const std::wstring& arguments,
                          const std::wstring& windowClass) {
  ShellRef<IShellWindows> windows;
  if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                              windows.PutVoid())))
    return false;
  Variant location, root;
  location.v.vt = VT_I4;
  location.v.lVal = CSIDL_DESKTOP;
  long desktopWindow = 0;
  ShellRef<IDispatch> desktop;
  if (windows->FindWindowSW(&location.v, &root.v, SWC_DESKTOP, &desktopWindow, SWFO_NEEDDISPATCH,
                            desktop.Put()) != S_OK ||
      !desktop)
    return false;
  ShellRef<IShellBrowser> browser;
  if (FAILED(IUnknown_QueryService(desktop.Get(), SID_STopLevelBrowser, IID_IShellBrowser,
                                   browser.PutVoid())))
    return false;
  ShellRef<IShellView> view;
  if (FAILED(browser->QueryActiveShellView(view.Put())) || !view) return false;
  ShellRef<IDispatch> background;
  if (FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.PutVoid())))
    return false;
  ShellRef<IShellFolderViewDual> folderView;
  if (FAILED(background->QueryInterface(IID_IShellFolderViewDual, folderView.PutVoid())))
    return false;
  ShellRef<IDispatch> application;
  if (FAILED(folderView->get_Application(application.Put())) || !application) return false;
  ShellRef<IShellDispatch2> shell;
  if (FAILED(application->QueryInterface(IID_IShellDispatch2, shell.PutVoid()))) return false;

  BSTR file = SysAllocString(path.c_str());
  Variant args(arguments), directory, verb(std::wstring(L"open")), show(1);
  shell->ShellExecute(file, args.v, directory.v, verb.v, show.v);
  SysFreeString(file);

  for (int attempt = 0; attempt < 100; ++attempt) {
    if (HWND window = FindWindowExW(nullptr, nullptr, windowClass.c_str(), nullptr)) {
      ShowWindow(window, SW_SHOWNORMAL);
      SetForegroundWindow(window);
      break;
    }
    Sleep(100);
  }
  return true;
}
