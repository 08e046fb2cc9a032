#include "telemetry/UniversalWrapper.h"

#include <shlobj.h>

#include "theme/ThemeResources.h"

namespace {

template <typename Fn>
Fn Resolve(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                : nullptr;
}

}  // namespace

CUniversalWrapper::CUniversalWrapper(std::wstring libraryPath) : m_path(std::move(libraryPath)) {}

CUniversalWrapper::~CUniversalWrapper() { Unload(); }

std::wstring CUniversalWrapper::LibraryPath(const std::wstring& commonFolder,
                                            const std::wstring& uusPath) {
  if (commonFolder.empty()) return {};
  std::wstring path = commonFolder + uusPath;
  if (path.size() >= MAX_PATH) return {};
  return path;
}

std::wstring CUniversalWrapper::LibraryPathFromTheme() {
  wchar_t folder[MAX_PATH] = L"";
  if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_PROGRAM_FILES_COMMON, TRUE)) return {};
  return LibraryPath(folder, Theme().GetString(L"uus_path"));
}

void CUniversalWrapper::Load() {
  Unload();
  if (!m_path.empty()) {
    m_module = LoadLibraryW(m_path.c_str());
    if (!m_module) GetLastError();  // a missing library is not reported
  }
  m_create = Resolve<CreateFn>(m_module, "USCreate");
  m_showUpdatesSettingsDialog = Resolve<FARPROC>(m_module, "USShowUpdatesSettingsDialog");
  m_doAllUpdates = Resolve<FARPROC>(m_module, "USDoAllUpdates");
  m_doSelfUpdate = Resolve<FARPROC>(m_module, "USDoSelfUpdate");
  m_doNag = Resolve<FARPROC>(m_module, "USDoNag");
  m_doAllUpdatesWithUI = Resolve<ContextFn>(m_module, "USDoAllUpdatesWithUI");
  m_delete = Resolve<ContextFn>(m_module, "USDelete");
  m_doAllUpdatesWithUIEx = Resolve<UpdatesExFn>(m_module, "USDoAllUpdatesWithUIEx");
  m_initUns = Resolve<InitUnsFn>(m_module, "USInitUns");
  m_collectEmail = Resolve<FARPROC>(m_module, "CollectEmail");
}

void CUniversalWrapper::Unload() {
  if (m_module) {
    if (m_delete) m_delete(m_context);
    FreeLibrary(m_module);
  }
  m_module = nullptr;
  m_context = 0;
  m_create = nullptr;
  m_showUpdatesSettingsDialog = m_doAllUpdates = m_doSelfUpdate = m_doNag = m_collectEmail =
      nullptr;
  m_doAllUpdatesWithUI = m_delete = nullptr;
  m_doAllUpdatesWithUIEx = nullptr;
  m_initUns = nullptr;
}

void CUniversalWrapper::CheckForUpdates() {
  Load();
  if (!m_module) return;
  // This path does not create an updater context: the context passed is 0.
  if (m_doAllUpdatesWithUIEx)
    m_doAllUpdatesWithUIEx(m_context, 1);
  else if (m_doAllUpdatesWithUI)
    m_doAllUpdatesWithUI(m_context);
  Unload();
}

int CUniversalWrapper::RegisterWithUpdater(const std::wstring& appName) {
  UpdaterRegistration record;
  record.version = 2;
  record.appName = appName.c_str();
  Load();
  if (m_create) m_create(&m_context);
  int result = -1;
  if (m_initUns) {
    m_initUns(m_context, &record);
    result = 0;
  }
  Unload();
  return result;
}

void CheckForUpdates() {
  CUniversalWrapper(CUniversalWrapper::LibraryPathFromTheme()).CheckForUpdates();
}

int RegisterWithUpdater() {
  return CUniversalWrapper(CUniversalWrapper::LibraryPathFromTheme())
      .RegisterWithUpdater(Theme().GetString(L"app_name"));
}
