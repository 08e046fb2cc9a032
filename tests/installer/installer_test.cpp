// The setup program and its uninstaller, run silently inside a Windows of their
// own (run_installer_tests.py gives each group a fresh prefix and passes the
// setup programs, the survey log and the versions in the environment).
// The tests of a group run in order over the same machine: install, start,
// update, uninstall.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "EngineContract.h"
#include "Vault.h"
#include "app/Settings.h"
#include "engine/documents/QuarantineFile.h"
#include "framework/RegistryKey.h"
#include "framework/TextConvert.h"
#include "pages/settings/Scheduler.h"
#include "support/EnginePageFixture.h"
#include "support/ScheduledTasks.h"
#include "support/TextFile.h"
#include "support/shipped_theme.h"
#include "theme/ThemeResources.h"

namespace {

constexpr UINT kTaskNameId = 174;
constexpr UINT kTitleId = 57344;
constexpr wchar_t kUninstallRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr wchar_t kEngineExe[] = L"RodeRedudEngine.exe";
constexpr wchar_t kVerbKey[] = L"shell\\RodeRedudScan";
const wchar_t* const kVerbRoots[] = {L"*", L"Directory", L"Drive"};

std::wstring Env(const wchar_t* name) {
  wchar_t buffer[1024];
  DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
  return n && n < 1024 ? std::wstring(buffer, n) : std::wstring();
}

std::wstring KnownFolder(int csidl) {
  wchar_t path[MAX_PATH] = L"";
  SHGetFolderPathW(nullptr, csidl, nullptr, 0, path);
  return path;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadAll(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(path.c_str(), std::ios::binary);
  out << bytes;
}

// A started process; the handle is kept so that its end can be awaited.
class Process {
 public:
  explicit Process(std::wstring commandLine) {
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &si, &pi)) {
      CloseHandle(pi.hThread);
      m_process = pi.hProcess;
    }
  }
  ~Process() {
    if (m_process) CloseHandle(m_process);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  bool Started() const { return m_process != nullptr; }
  bool Wait(DWORD ms) const { return WaitForSingleObject(m_process, ms) == WAIT_OBJECT_0; }
  DWORD ExitCode() const {
    DWORD code = ~0u;
    GetExitCodeProcess(m_process, &code);
    return code;
  }

 private:
  HANDLE m_process = nullptr;
};

// Runs to the end; the exit code, or ~0u when it did not start or end in time.
DWORD Run(const std::wstring& commandLine, DWORD timeoutMs = 240000) {
  Process p(commandLine);
  if (!p.Started() || !p.Wait(timeoutMs)) return ~0u;
  return p.ExitCode();
}

size_t CountProcesses(const wchar_t* exeName) {
  size_t count = 0;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32W entry{sizeof(entry)};
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    if (_wcsicmp(entry.szExeFile, exeName) == 0) ++count;
  CloseHandle(snapshot);
  return count;
}

// The ids of the processes running this executable (full path, case aside).
std::vector<DWORD> ProcessesOf(const std::wstring& exePath) {
  std::vector<DWORD> ids;
  const wchar_t* name = wcsrchr(exePath.c_str(), L'\\');
  name = name ? name + 1 : exePath.c_str();
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32W entry{sizeof(entry)};
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (_wcsicmp(entry.szExeFile, name) != 0) continue;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
    if (!process) continue;
    wchar_t path[MAX_PATH * 2];
    DWORD size = MAX_PATH * 2;
    if (QueryFullProcessImageNameW(process, 0, path, &size) && _wcsicmp(path, exePath.c_str()) == 0)
      ids.push_back(entry.th32ProcessID);
    CloseHandle(process);
  }
  CloseHandle(snapshot);
  return ids;
}

template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() > deadline) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(100);
  }
}

// The shipped product's names, as the program reads them from its theme.
struct Product {
  std::wstring app, company, exe, windowClass, title, taskName;
  Product() {
    EXPECT_TRUE(LoadShippedTheme());
    CThemeResources& theme = Theme();
    app = theme.GetString(L"app_name");
    company = theme.GetString(L"company_name");
    exe = theme.GetString(L"exe_name");
    windowClass = theme.GetString(L"ucn");
    title = theme.LoadResString(kTitleId);
    taskName = theme.LoadResString(kTaskNameId);
  }
  std::wstring MachineKey() const { return settings::MachineKeyPath(company, app); }
  std::wstring ProfileKey() const { return L"Software\\" + company + L"\\" + title; }
  std::wstring UninstallKey() const { return kUninstallRoot + app; }
  std::wstring DefaultFolder() const { return KnownFolder(CSIDL_PROGRAM_FILES) + L"\\" + app; }
  std::wstring StartMenuShortcut() const {
    return KnownFolder(CSIDL_COMMON_PROGRAMS) + L"\\" + app + L".lnk";
  }
  std::wstring DesktopShortcut() const {
    return KnownFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\" + app + L".lnk";
  }
  std::wstring EngineData() const {
    return KnownFolder(CSIDL_COMMON_APPDATA) + L"\\RodeRedud\\Engine";
  }
  HWND Window() const { return FindWindowExW(nullptr, nullptr, windowClass.c_str(), nullptr); }
};

const Product& Names() {
  static const Product product;
  return product;
}

std::wstring SetupProgram(const wchar_t* which) { return Env(which); }

DWORD RunSetup(const std::wstring& setup, const std::wstring& arguments) {
  return Run(L"\"" + setup + L"\" " + arguments);
}

// The uninstaller copies itself away and returns at once unless it is run from
// a copy told where the installation is (_?=), which then waits for the work.
DWORD RunUninstaller(const std::wstring& folder, const std::wstring& arguments) {
  const std::wstring copy = Env(L"RR_WORK") + L"\\uninstall-copy.exe";
  if (!CopyFileW((folder + L"\\Uninstall.exe").c_str(), copy.c_str(), FALSE)) return ~0u;
  DWORD code = Run(L"\"" + copy + L"\" " + arguments + L" _?=" + folder);
  DeleteFileW(copy.c_str());
  return code;
}

// The survey requests received so far ("<target> <body>" per line).
std::vector<std::string> SurveyRequests() {
  std::vector<std::string> lines;
  std::istringstream in(ReadAll(Env(L"RR_SURVEY_LOG")));
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

// The value of one form field of a survey body.
std::string Field(const std::string& request, const std::string& name) {
  const std::string body = request.substr(request.find(' ') + 1);
  std::istringstream fields(body);
  for (std::string field; std::getline(fields, field, '&');)
    if (field.compare(0, name.size() + 1, name + "=") == 0) return field.substr(name.size() + 1);
  return "<absent>";
}

struct MachineChoices {
  DWORD silent, desktop, login, quick, updates, autoScan;
};

void ExpectMachineChoices(const MachineChoices& want) {
  settings::CMachineSettings machine(Names().MachineKey());
  ASSERT_TRUE(machine.IsOpen());
  const std::pair<const wchar_t*, DWORD> rows[] = {
      {settings::kSilent, want.silent},   {settings::kDesktop, want.desktop},
      {settings::kLogin, want.login},     {settings::kQuick, want.quick},
      {settings::kUpdates, want.updates}, {settings::kAutoScan, want.autoScan}};
  for (const auto& [name, value] : rows) {
    std::optional<DWORD> got = machine.ReadDword(name);
    EXPECT_TRUE(got.has_value()) << ToBytes(name) << " is not a REG_DWORD";
    if (got) EXPECT_EQ(value, *got) << ToBytes(name);
  }
}

// Expects the survey request number `index` to be this action with these choices.
void ExpectSurvey(size_t index, const char* action, const char* actionId,
                  const std::wstring& version, const char* desktop, const char* login,
                  const char* quick, const char* updates, const char* autoScan) {
  std::vector<std::string> requests = SurveyRequests();
  ASSERT_GT(requests.size(), index) << "survey request " << index << " never arrived";
  const std::string& r = requests[index];
  EXPECT_EQ(0u, r.find("/index.php ")) << r;
  const std::pair<const char*, std::string> rows[] = {
      {"action", action},   {"actionid", actionId}, {"Version", ToBytes(version)},
      {"Desktop", desktop}, {"Login", login},       {"Quick", quick},
      {"Updates", updates}, {"AutoScan", autoScan}};
  for (const auto& [name, value] : rows) EXPECT_EQ(value, Field(r, name)) << name << " in " << r;
}

// The layout the program needs, below the install folder.
void ExpectFilesInPlace(const std::wstring& folder) {
  for (const std::wstring& name :
       {Names().exe, std::wstring(kEngineExe), std::wstring(L"res.dll"), std::wstring(L"ui.xml"),
        std::wstring(L"Uninstall.exe"), std::wstring(L"images\\overview\\start.png")})
    EXPECT_TRUE(Exists(folder + L"\\" + name)) << ToBytes(folder + L"\\" + name);
}

std::wstring LocalServerOf(const CLSID& clsid) {
  wchar_t text[64];
  StringFromGUID2(clsid, text, 64);
  CRegistryKey key;
  if (!key.Open(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + text + L"\\LocalServer32"))
    return L"<none>";
  return key.ReadString(nullptr).value_or(L"<no value>");
}

void ExpectEngineRegistered(const std::wstring& folder) {
  for (const CLSID* clsid : {&CLSID_QVScanControl, &CLSID_QVService, &CLSID_QVQuarantine})
    EXPECT_EQ(L"\"" + folder + L"\\" + kEngineExe + L"\"", LocalServerOf(*clsid));
}

void ExpectUninstallEntry(const std::wstring& folder, const std::wstring& version) {
  CRegistryKey key;
  ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, Names().UninstallKey()));
  const std::wstring uninstaller = L"\"" + folder + L"\\Uninstall.exe\"";
  const std::pair<const wchar_t*, std::wstring> strings[] = {
      {L"DisplayName", Names().app},     {L"DisplayVersion", version},
      {L"Publisher", Names().company},   {L"DisplayIcon", L"\"" + folder + L"\\res.dll\",-128"},
      {L"UninstallString", uninstaller}, {L"QuietUninstallString", uninstaller + L" /S"},
      {L"InstallLocation", folder}};
  for (const auto& [name, value] : strings)
    EXPECT_EQ(ToBytes(value), ToBytes(key.ReadString(name).value_or(L"<absent>"))) << ToBytes(name);
  EXPECT_EQ(1u, key.ReadDword(L"NoModify").value_or(0));
  EXPECT_EQ(1u, key.ReadDword(L"NoRepair").value_or(0));
  // The size in KiB of what was installed: several megabytes.
  EXPECT_GT(key.ReadDword(L"EstimatedSize").value_or(0), 1000u);
}

void ExpectLogonTask(const std::wstring& folder) {
  TaskDetails task = ReadTask(Names().taskName);
  ASSERT_TRUE(task.found) << "no logon task";
  EXPECT_EQ(ToBytes(folder + L"\\" + Names().exe), ToBytes(task.application));
  EXPECT_EQ(L"/minimize", task.parameters);
  EXPECT_EQ(1u, task.Logon().size());
}

void ExpectVerbs(const std::wstring& folder, bool registered) {
  for (const wchar_t* root : kVerbRoots) {
    SCOPED_TRACE(ToBytes(root));
    CRegistryKey verb;
    const std::wstring path = std::wstring(root) + L"\\" + kVerbKey;
    if (!registered) {
      EXPECT_FALSE(verb.Open(HKEY_CLASSES_ROOT, path));
      continue;
    }
    ASSERT_TRUE(verb.Open(HKEY_CLASSES_ROOT, path));
    EXPECT_EQ(ToBytes(L"Scan with " + Names().app),
              ToBytes(verb.ReadString(L"MUIVerb").value_or(L"<absent>")));
    EXPECT_EQ(L"Player", verb.ReadString(L"MultiSelectModel").value_or(L"<absent>"));
    EXPECT_EQ(ToBytes(L"\"" + folder + L"\\res.dll\",-128"),
              ToBytes(verb.ReadString(L"Icon").value_or(L"<absent>")));
    CRegistryKey command;
    ASSERT_TRUE(command.Open(HKEY_CLASSES_ROOT, path + L"\\command"));
    EXPECT_EQ(ToBytes(L"\"" + folder + L"\\" + Names().exe + L"\" /scan:custom /path:\"%1\""),
              ToBytes(command.ReadString(nullptr).value_or(L"<absent>")));
  }
}

// Everything the installation put outside the data folder is gone.
void ExpectUninstalled(const std::wstring& folder) {
  EXPECT_FALSE(Exists(folder)) << "the install folder is left";
  EXPECT_FALSE(Exists(Names().StartMenuShortcut()));
  EXPECT_FALSE(Exists(Names().DesktopShortcut()));
  EXPECT_FALSE(ReadTask(Names().taskName).found) << "the logon task is left";
  EXPECT_EQ(L"<none>", LocalServerOf(CLSID_QVScanControl));
  CRegistryKey key;
  EXPECT_FALSE(key.Open(HKEY_LOCAL_MACHINE, Names().UninstallKey())) << "the entry is left";
  EXPECT_FALSE(key.Open(HKEY_LOCAL_MACHINE, Names().MachineKey())) << "the machine key is left";
  ExpectVerbs(folder, false);
  EXPECT_TRUE(WaitFor([] { return CountProcesses(Names().exe.c_str()) == 0; }, 30000))
      << "the program still runs";
}

// Starts the installed program and waits for its window: the window is made only
// once the program has reached the engine.
std::unique_ptr<Process> StartProgram(const std::wstring& folder) {
  auto program = std::make_unique<Process>(L"\"" + folder + L"\\" + Names().exe + L"\"");
  EXPECT_TRUE(program->Started());
  EXPECT_TRUE(WaitFor([] { return Names().Window() != nullptr; }, 120000))
      << "the installed program never opened its window";
  EXPECT_GE(CountProcesses(kEngineExe), 1u) << "no engine runs for the program";
  return program;
}

// A quarantined item as the engine stores it: a record and the transformed bytes.
struct QuarantinedItem {
  std::wstring id = L"0f0e0d0c-0b0a-4908-8706-050403020100";
  std::string bytes = "bytes of a quarantined file\r\n";
};

void PlantQuarantinedItem(const QuarantinedItem& item) {
  const std::wstring quarantine = Names().EngineData() + L"\\Quarantine\\";
  ASSERT_TRUE(rre::CreateFolders(quarantine + L"Data"));
  const std::wstring original = Env(L"RR_WORK") + L"\\quarantined-original.txt";
  WriteAll(original, item.bytes);
  rre::Digest hash{};
  uint64_t size = 0;
  uint32_t error = 0;
  const std::wstring storage = item.id + L"-0.dat";
  ASSERT_TRUE(rre::VaultStore(original, quarantine + L"Data\\" + storage, hash, size, error));
  DeleteFileW(original.c_str());
  namespace QF = QVnsQuarantineFile;
  QF::CARDOQuarantineRecordXML record;
  record.quarantineId.Set(item.id);
  record.quarantineLocation.Set(quarantine + L"Data\\");
  record.name.Set(L"Test.Item");
  SYSTEMTIME now;
  GetSystemTime(&now);
  wchar_t stamp[32];
  swprintf(stamp, 32, L"%04u-%02u-%02uT%02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
           now.wMinute, now.wSecond);
  record.dateTimeStampUTC.Set(stamp);
  record.canQuarantine.Set(true);
  record.BufferOnly.Set(false);
  for (auto* text :
       {&record.authorURL, &record.desc, &record.threatAdviceDetails, &record.customData})
    text->Set(L"");
  auto& fix = record.fixes.Create().fix.Append();
  fix.traceType.Set(1);
  fix.dispValue.Set(original);
  fix.actionType.Set(3);
  auto& storageAttr = fix.quarantineAttributes.Create().attr.Append();
  storageAttr.n.Set(L"storage");
  storageAttr.v.Set(storage);
  std::string text;
  ASSERT_EQ(0, record.WriteToText(text));
  WriteAll(quarantine + item.id + L".xml", text);
}

// Asks the installed engine to restore the item into `target`; the restored bytes.
std::string RestoreThroughEngine(const QuarantinedItem& item, const std::wstring& target) {
  IQVQuarantine* quarantine = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_QVQuarantine, nullptr, CLSCTX_LOCAL_SERVER, IID_IQVQuarantine,
                                reinterpret_cast<void**>(&quarantine));
  EXPECT_EQ(S_OK, hr) << "the engine cannot be created";
  if (FAILED(hr)) return {};
  CreateDirectoryW(target.c_str(), nullptr);
  DeleteFileW((target + L"\\quarantined-original.txt").c_str());  // of an earlier run
  BSTR id = SysAllocString(item.id.c_str());
  BSTR to = SysAllocString(target.c_str());
  hr = quarantine->RestoreItem(id, to, 0, 0);
  SysFreeString(id);
  SysFreeString(to);
  quarantine->Release();
  EXPECT_EQ(S_OK, hr) << "the engine does not restore the item";
  return ReadAll(target + L"\\quarantined-original.txt");
}

// The engine's scan configuration holds what the program stores at its start
// (a new engine's own configuration does not).
bool ProgramOptionsStored() {
  return ReadAll(Names().EngineData() + L"\\Config\\ScanConfig.xml")
             .find("ShowUserScanResultsManual=\"true\"") != std::string::npos;
}

// State shared by the lifecycle tests, which run in order over one machine.
struct Lifecycle {
  std::unique_ptr<Process> program;
  QuarantinedItem item;
  ULONGLONG installTime = 0;
};
Lifecycle& State() {
  static Lifecycle state;
  return state;
}

}  // namespace

TEST(Lifecycle, SilentInstallPlacesFilesRegistersAndRecordsTheChoices) {
  const std::wstring folder = Names().DefaultFolder();
  ASSERT_EQ(0u, RunSetup(SetupProgram(L"RR_SETUP_OLD"),
                         L"/S /DESKTOP=1 /LOGIN=1 /QUICK=0 /UPDATES=1 /AUTOSCAN=0 /NOAP"));
  ExpectFilesInPlace(folder);
  ExpectEngineRegistered(folder);
  ExpectLogonTask(folder);
  ExpectMachineChoices({0, 1, 1, 0, 1, 0});
  settings::CMachineSettings machine(Names().MachineKey());
  // The program's install hook ran: its install time, the default scan times and
  // active protection off, as chosen.
  ASSERT_TRUE(machine.ReadQword(settings::kInstallTime).has_value());
  State().installTime = *machine.ReadQword(settings::kInstallTime);
  EXPECT_EQ(0u, machine.ReadDword(settings::kAutoActiveProtection).value_or(1));
  EXPECT_EQ(5u, machine.ReadString(settings::kQuickScanTime).size());
  EXPECT_TRUE(Exists(Names().StartMenuShortcut()));
  EXPECT_TRUE(Exists(Names().DesktopShortcut()));
  ExpectUninstallEntry(folder, Env(L"RR_VERSION_OLD"));
  ExpectVerbs(folder, true);
  ExpectSurvey(0, "install", "1", Env(L"RR_VERSION_OLD"), "TRUE", "TRUE", "FALSE", "TRUE", "FALSE");
  // A silent install starts nothing it was not asked to.
  EXPECT_EQ(0u, CountProcesses(Names().exe.c_str()));
}

TEST(Lifecycle, InstalledProgramStartsAndReachesTheEngine) {
  // The first run's quick scan covers one small folder.
  const std::wstring quick = Env(L"RR_WORK") + L"\\quick-scan";
  CreateDirectoryW(quick.c_str(), nullptr);
  SetEnvironmentVariableW(L"RODEREDUD_ENGINE_QUICK_PATHS", quick.c_str());
  State().program = StartProgram(Names().DefaultFolder());
  ASSERT_TRUE(Names().Window());
  // The engine keeps its data where the update and the uninstaller look for it,
  // and the program has stored its start options there.
  EXPECT_TRUE(WaitFor(ProgramOptionsStored, 60000));
}

TEST(Lifecycle, UpdateOverTheRunningProgramKeepsSettingsAndQuarantine) {
  Lifecycle& state = State();
  ASSERT_TRUE(state.program && Names().Window()) << "the program does not run";
  {
    CRegistryKey profile;
    ASSERT_TRUE(profile.Create(HKEY_CURRENT_USER, Names().ProfileKey()));
    profile.WriteDword(settings::kShowCloseDlg, 0);
  }
  PlantQuarantinedItem(state.item);
  ASSERT_TRUE(ProgramOptionsStored());

  ASSERT_EQ(0u, RunSetup(SetupProgram(L"RR_SETUP_NEW"), L"/S"));

  // The running program was asked to end, and ended normally.
  ASSERT_TRUE(state.program->Wait(30000)) << "the running program still runs";
  EXPECT_EQ(0u, state.program->ExitCode());
  EXPECT_EQ(nullptr, Names().Window());
  ExpectFilesInPlace(Names().DefaultFolder());
  ExpectUninstallEntry(Names().DefaultFolder(), Env(L"RR_VERSION_NEW"));
  // The choices of the first installation stay; the run is marked as an update.
  ExpectMachineChoices({1, 1, 1, 0, 1, 0});
  settings::CMachineSettings machine(Names().MachineKey());
  EXPECT_EQ(state.installTime, machine.ReadQword(settings::kInstallTime).value_or(0));
  EXPECT_EQ(0u, machine.ReadDword(settings::kAutoActiveProtection).value_or(1));
  ExpectLogonTask(Names().DefaultFolder());
  ExpectSurvey(1, "update", "3", Env(L"RR_VERSION_NEW"), "TRUE", "TRUE", "FALSE", "TRUE", "FALSE");
  // The user's settings and the engine's configuration and quarantine survive.
  {
    CRegistryKey profile;
    ASSERT_TRUE(profile.Open(HKEY_CURRENT_USER, Names().ProfileKey()));
    EXPECT_EQ(0u, profile.ReadDword(settings::kShowCloseDlg).value_or(1));
  }
  EXPECT_TRUE(ProgramOptionsStored()) << "the engine's configuration was reset";
  EXPECT_EQ(state.item.bytes,
            RestoreThroughEngine(state.item, Env(L"RR_WORK") + L"\\restored-after-update"));
  // The item is used up by the restore; a new one stands for the quarantine below.
  PlantQuarantinedItem(state.item);
}

// Explorer's verb, as registered, starts the program afresh (none runs after the
// update): the picked folder is scanned and the user's own folders stay as they are.
TEST(Lifecycle, ExplorerVerbStartsTheProgramAndScansThePickedFolder) {
  ASSERT_EQ(nullptr, Names().Window()) << "a program still runs from before";
  const std::wstring picked = Env(L"RR_WORK") + L"\\picked, by hand \u00e9t\u00e9";
  CreateDirectoryW(picked.c_str(), nullptr);
  ASSERT_TRUE(EnginePageFixture::PlantTestFile(picked + L"\\sample.com"));
  CRegistryKey command;
  ASSERT_TRUE(
      command.Open(HKEY_CLASSES_ROOT, std::wstring(L"Directory\\") + kVerbKey + L"\\command"));
  std::wstring line = command.ReadString(nullptr).value_or(L"");
  const size_t placeholder = line.find(L"%1");
  ASSERT_NE(std::wstring::npos, placeholder) << ToBytes(line);
  line.replace(placeholder, 2, picked);

  Process program(line);
  ASSERT_TRUE(program.Started()) << ToBytes(line);
  const std::wstring results = Names().EngineData() + L"\\ScanResults.xml";
  const std::string wanted = ToBytes(picked + L"\\sample.com");
  const auto found = [&] { return ReadTextFileAsUtf8(results).find(wanted) != std::string::npos; };
  EXPECT_TRUE(WaitFor(found, 180000)) << "the picked folder was never scanned: " << wanted;
  EXPECT_NE(nullptr, Names().Window()) << "the verb's program has no window";
  EXPECT_EQ(std::string::npos,
            ReadAll(Names().EngineData() + L"\\Config\\ScanConfig.xml").find("picked, by hand"))
      << "the picked folder was stored as one of the user's folders";

  const std::wstring exe = L"\"" + Names().DefaultFolder() + L"\\" + Names().exe + L"\"";
  EXPECT_EQ(0u, ::Run(exe + L" /shutdown", 60000));
  EXPECT_TRUE(program.Wait(30000)) << "the program did not end when asked";
}

TEST(Lifecycle, SilentUninstallRemovesTheProductAndKeepsTheData) {
  const std::wstring folder = Names().DefaultFolder();
  auto program = StartProgram(folder);
  ASSERT_EQ(0u, RunUninstaller(folder, L"/S"));
  EXPECT_TRUE(program->Wait(30000)) << "the uninstaller left the program running";
  ExpectUninstalled(folder);
  ExpectSurvey(2, "uninstall", "2", Env(L"RR_VERSION_NEW"), "TRUE", "TRUE", "FALSE", "TRUE",
               "FALSE");
  // Kept: the quarantine, the engine's configuration and the user's settings.
  EXPECT_TRUE(Exists(Names().EngineData() + L"\\Quarantine\\" + State().item.id + L".xml"));
  EXPECT_TRUE(ProgramOptionsStored()) << "the engine's configuration was removed";
  CRegistryKey profile;
  EXPECT_TRUE(profile.Open(HKEY_CURRENT_USER, Names().ProfileKey()));
}

// A folder with spaces and letters outside ASCII, chosen on the command line.
const std::wstring& UnusualFolder() {
  static const std::wstring folder =
      KnownFolder(CSIDL_PROGRAM_FILES) + L"\\R\u00f8de R\u00e9dud \u00dcbung \u0416\u0443\u043a";
  return folder;
}

TEST(UnusualFolder, InstallWithoutOptionalPartsStartsTheProgramWhenAsked) {
  const std::wstring& folder = UnusualFolder();
  ASSERT_EQ(
      0u, RunSetup(SetupProgram(L"RR_SETUP_NEW"), L"/S /DESKTOP=0 /LOGIN=0 /LAUNCH /D=" + folder));
  ExpectFilesInPlace(folder);
  EXPECT_FALSE(Exists(Names().DefaultFolder()));
  ExpectEngineRegistered(folder);
  ExpectUninstallEntry(folder, Env(L"RR_VERSION_NEW"));
  ExpectVerbs(folder, true);
  ExpectMachineChoices({0, 0, 0, 1, 1, 1});
  settings::CMachineSettings machine(Names().MachineKey());
  EXPECT_FALSE(machine.ReadDword(settings::kAutoActiveProtection).has_value());
  EXPECT_FALSE(ReadTask(Names().taskName).found) << "a logon task without Login";
  EXPECT_TRUE(Exists(Names().StartMenuShortcut()));
  EXPECT_FALSE(Exists(Names().DesktopShortcut()));
  std::vector<std::string> requests = SurveyRequests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ("FALSE", Field(requests.back(), "Desktop")) << requests.back();
  EXPECT_EQ("FALSE", Field(requests.back(), "Login")) << requests.back();
  // Asked with /LAUNCH: the program starts from the unusual folder (through the
  // desktop shell, as the desktop user) and reaches the engine, which COM starts
  // from there too.
  const std::wstring program = folder + L"\\" + Names().exe;
  const std::wstring engine = folder + L"\\" + kEngineExe;
  EXPECT_TRUE(WaitFor([&] { return !ProcessesOf(program).empty(); }, 60000))
      << "the program did not start";
  EXPECT_TRUE(WaitFor([&] { return !ProcessesOf(engine).empty(); }, 120000))
      << "the program did not reach the engine";
  EXPECT_TRUE(WaitFor([] { return Exists(Names().EngineData() + L"\\Config"); }, 60000));
  // Under Wine a program started through the desktop shell is not found by its
  // window class from here, so the uninstaller could not ask it to end: it is
  // ended here (the lifecycle group checks the uninstaller ending the program).
  for (DWORD id : ProcessesOf(program)) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    if (!process) continue;
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
  }
}

TEST(UnusualFolder, UninstallAskedToRemoveTheDataRemovesEverything) {
  const std::wstring& folder = UnusualFolder();
  ASSERT_TRUE(Exists(Names().EngineData() + L"\\Config"));
  ASSERT_EQ(0u, RunUninstaller(folder, L"/S /REMOVEDATA"));
  ExpectUninstalled(folder);
  EXPECT_FALSE(Exists(Names().EngineData())) << "the engine's data is left";
  CRegistryKey profile;
  EXPECT_FALSE(profile.Open(HKEY_CURRENT_USER, Names().ProfileKey())) << "the settings are left";
}
