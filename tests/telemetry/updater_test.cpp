// The updater bridge against stand-in libraries that record their calls.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "telemetry/UniversalWrapper.h"

namespace {

std::wstring OutPath(const wchar_t* file) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.rfind(L'\\') + 1) + file;
}

// Keeps the stand-in loaded across the bridge's own load and unload so that
// its log survives, and reads that log.
class StandIn {
 public:
  explicit StandIn(const wchar_t* file) : m_path(OutPath(file)) {
    m_module = LoadLibraryW(m_path.c_str());
    if (m_module) reinterpret_cast<void (*)()>(GetProcAddress(m_module, "StandInReset"))();
  }
  ~StandIn() {
    if (m_module) FreeLibrary(m_module);
  }
  bool Loaded() const { return m_module != nullptr; }
  const std::wstring& Path() const { return m_path; }
  std::string Log() const {
    return reinterpret_cast<const char* (*)()>(GetProcAddress(m_module, "StandInLog"))();
  }
  // True when nobody but us holds the library: after our release it is gone.
  bool OnlyWeHoldIt() {
    std::string keep = Log();
    FreeLibrary(m_module);
    m_module = nullptr;
    return GetModuleHandleW(m_path.c_str()) == nullptr;
  }

 private:
  std::wstring m_path;
  HMODULE m_module = nullptr;
};

}  // namespace

TEST(UniversalWrapper, RegistersWithContextAndRecordThenDeletesAndUnloads) {
  StandIn library(L"updater_standin_full.dll");
  ASSERT_TRUE(library.Loaded());
  CUniversalWrapper wrapper(library.Path());
  EXPECT_EQ(0, wrapper.RegisterWithUpdater(L"Rode Redud"));
  EXPECT_EQ("USCreate\nUSInitUns(4242,2,Rode Redud)\nUSDelete(4242)\n", library.Log());
  EXPECT_TRUE(library.OnlyWeHoldIt());
}

TEST(UniversalWrapper, CheckForUpdatesPrefersTheExFormWithoutAContext) {
  StandIn library(L"updater_standin_full.dll");
  ASSERT_TRUE(library.Loaded());
  CUniversalWrapper wrapper(library.Path());
  wrapper.CheckForUpdates();
  EXPECT_EQ("USDoAllUpdatesWithUIEx(0,1)\nUSDelete(0)\n", library.Log());
  EXPECT_TRUE(library.OnlyWeHoldIt());
}

TEST(UniversalWrapper, OlderLibraryGetsThePlainUpdateCallAndNoRegistration) {
  StandIn library(L"updater_standin_uionly.dll");
  ASSERT_TRUE(library.Loaded());
  CUniversalWrapper wrapper(library.Path());
  wrapper.CheckForUpdates();
  EXPECT_EQ("USDoAllUpdatesWithUI(0)\n", library.Log());
  EXPECT_EQ(-1, wrapper.RegisterWithUpdater(L"x"));
  EXPECT_EQ("USDoAllUpdatesWithUI(0)\n", library.Log());
  EXPECT_TRUE(library.OnlyWeHoldIt());
}

TEST(UniversalWrapper, MissingLibraryDoesNothing) {
  CUniversalWrapper missing(OutPath(L"no_such_updater.dll"));
  missing.CheckForUpdates();
  EXPECT_EQ(-1, missing.RegisterWithUpdater(L"x"));
  CUniversalWrapper none(L"");
  none.CheckForUpdates();
  EXPECT_EQ(-1, none.RegisterWithUpdater(L"x"));
}

TEST(UniversalWrapper, LibraryPathGluesTheThemePathToTheCommonFolder) {
  EXPECT_EQ(L"C:\\Common Files\\Maker\\updater.dll",
            CUniversalWrapper::LibraryPath(L"C:\\Common Files", L"\\Maker\\updater.dll"));
  // Without a leading backslash the name sticks to the folder and will not load.
  EXPECT_EQ(L"C:\\Common Filesname.dll",
            CUniversalWrapper::LibraryPath(L"C:\\Common Files", L"name.dll"));
  EXPECT_EQ(L"", CUniversalWrapper::LibraryPath(L"", L"\\x.dll"));
  EXPECT_EQ(L"", CUniversalWrapper::LibraryPath(L"C:\\Common", L"\\" + std::wstring(260, L'x')));
}
