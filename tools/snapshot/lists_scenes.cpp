// Scenes of the quarantine and ignore list tabs, empty and filled, in the main window against
// the fake engine.
#include <windows.h>

#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "framework/TextConvert.h"
#include "engine/documents/Binding.h"
#include "pages/lists/QuarantinePage.h"
#include "pages/lists/QuarantineRecords.h"
#include "snapshot/Snapshot.h"
#include "support/FakeEngine.h"
#include "support/FrameHarness.h"

namespace {

std::wstring ScanConfig(const std::wstring& inner) {
  return L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><ScanConfig>" + inner + L"</ScanConfig>";
}

}  // namespace

SNAPSHOT_SCENE(ignore_page) {
  FrameHarness h;
  if (!h.Start(800, 600)) return;
  CMainFrame& frame = h.Frame();
  FakeEngine& engine = h.Engine();

  engine.SetText(L"GetScanConfig", ScanConfig(L""));
  frame.SelectTab(CMainFrame::kTabIgnore, true);
  snapshot::PumpFor(100);
  ctx.Capture(frame.m_hWnd, L"ignore_page_empty");

  FakeEngine::ThreatInfo info;
  info.texts[4] = L"Trojan.Agent.Downloader";
  engine.values().threats[4711] = info;
  info.texts[4] = L"Adware.Toolbar.Search";
  engine.values().threats[815] = info;
  engine.SetText(L"GetScanConfig",
                 ScanConfig(L"<IgnoredThreats IsDirty=\"false\">"
                            L"<IgnoredThreat Source=\"1\" Id=\"4711\"/>"
                            L"<IgnoredThreat Source=\"1\" Id=\"815\"/></IgnoredThreats>"
                            L"<KnownApps>"
                            L"<KnownApp FilePath=\"C:\\Program Files\\Tools\\Remote Helper\\helper.exe\" FilePathType=\"2\"/>"
                            L"<KnownApp FilePath=\"D:\\Projects\\Builds\" FilePathType=\"6\"/>"
                            L"<KnownApp FilePath=\"C:\\Users\\Someone\\AppData\\Local\\A Very Long Folder Name That Keeps Going\\And Going\\Until It No Longer Fits In The Row\\setup.exe\" FilePathType=\"2\"/>"
                            L"</KnownApps>"));
  frame.SelectTab(CMainFrame::kTabOverview, true);
  frame.SelectTab(CMainFrame::kTabIgnore, true);
  snapshot::PumpFor(100);
  ctx.Capture(frame.m_hWnd, L"ignore_page_filled");
}

SNAPSHOT_SCENE(quarantine_page) {
  FrameHarness h;
  if (!h.Start(800, 600)) return;
  CMainFrame& frame = h.Frame();
  FakeEngine& engine = h.Engine();
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring root = std::wstring(temp) + L"rr_snapshot_quarantine";
  const std::wstring folder = QuarantineFolderOf(root);
  ::CreateDirectoryW(root.c_str(), nullptr);
  ::CreateDirectoryW(folder.c_str(), nullptr);
  engine.SetText(L"GetDataFolder", root + L"\\");

  frame.SelectTab(CMainFrame::kTabQuarantine, true);
  snapshot::PumpFor(100);
  ctx.Capture(frame.m_hWnd, L"quarantine_page_empty");

  struct Item {
    const wchar_t* name;
    const wchar_t* category;
    int level;
    const wchar_t* stamp;
    std::vector<std::wstring> fixes;
  } items[] = {
      {L"Trojan.Agent.Downloader", L"Trojan", 1, L"2026-12-09T14:12:05",
       {L"c:\\users\\someone\\downloads\\invoice.pdf.exe", L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\updater"}},
      {L"Adware.Toolbar.Search", L"Adware", 4, L"2026-12-08T09:30:00",
       {L"c:\\program files\\searchbar\\bar.dll"}},
      {L"Test.File.Signature", L"Test", 3, L"2026-12-10T08:01:44",
       {L"c:\\users\\someone\\desktop\\sample.com"}},
      {L"Spyware.KeyLogger.Gen", L"Spyware", 2, L"2026-11-30T22:45:10",
       {L"c:\\windows\\temp\\klg.exe", L"c:\\windows\\temp\\klg.dat", L"c:\\windows\\temp\\klg.cfg"}},
      {L"PUP.Optional.Cleaner", L"Potentially unwanted", 5, L"2026-11-21T11:00:00",
       {L"c:\\program files\\fastcleaner\\cleaner.exe"}},
  };
  int n = 0;
  for (const Item& item : items) {
    std::wstring id = L"0000000" + std::to_wstring(++n) + L"-1111-4222-8333-444455556666";
    std::wstring x = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?><ARDOQuarantineRecordXML name=\"" +
                     std::wstring(item.name) + L"\" category=\"" + item.category +
                     L"\" quarantineId=\"" + id + L"\" dateTimeStampUTC=\"" + item.stamp +
                     L"\" level=\"" + std::to_wstring(item.level) +
                     L"\" adviseType=\"3\"><authorURL></authorURL><desc>Software that acts "
                     L"against the user's interest.</desc><threatAdviceDetails>Keep it in "
                     L"quarantine or delete it.</threatAdviceDetails><customData></customData><fixes>";
    for (const std::wstring& f : item.fixes) x += L"<fix traceType=\"1\" dispValue=\"" + f + L"\"/>";
    x += L"</fixes></ARDOQuarantineRecordXML>";
    const std::string bytes = ToBytes(x);
    HANDLE file = ::CreateFileW((folder + id + L".xml").c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
  }
  frame.SelectTab(CMainFrame::kTabOverview, true);
  frame.SelectTab(CMainFrame::kTabQuarantine, true);
  snapshot::PumpFor(100);
  if (CQuarantinePage* page = frame.QuarantinePage()) {
    page->List().MutableRecords()[1].checked = true;
    page->List().SetExpanded(1, true);
  }
  snapshot::PumpFor(100);
  ctx.Capture(frame.m_hWnd, L"quarantine_page_filled");
  for (int i = 1; i <= n; ++i)
    ::DeleteFileW((folder + L"0000000" + std::to_wstring(i) + L"-1111-4222-8333-444455556666.xml").c_str());
  ::RemoveDirectoryW(folder.c_str());
  ::RemoveDirectoryW(root.c_str());
}
