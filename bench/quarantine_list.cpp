// Quarantine page benchmark: filling the page from 5,000 record files, as a
// ratio to reading and parsing the same files with the document binding alone
// (goal: at most 1.3), and the repaint of one scroll step of the filled list
// (goal: within a 60 Hz frame, 16.7 ms).
//
// Run: wine bench_quarantine_list.exe [records]
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/TextConvert.h"
#include "engine/EngineSession.h"
#include "engine/documents/Binding.h"
#include "engine/documents/QuarantineFile.h"
#include "framework/Wnd.h"
#include "pages/lists/QuarantinePage.h"
#include "pages/lists/QuarantineRecords.h"
#include "support/BenchClock.h"
#include "support/FakeEngine.h"
#include "support/shipped_theme.h"

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Remove(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  HANDLE f = FindFirstFileW((path + L"\\*").c_str(), &fd);
  if (f != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = path + L"\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        Remove(child);
      else
        DeleteFileW(child.c_str());
    } while (FindNextFileW(f, &fd));
    FindClose(f);
  }
  RemoveDirectoryW(path.c_str());
}

// A record as the engine writes it, with a few fixes.
std::string Record(int i) {
  wchar_t id[64];
  swprintf(id, 64, L"%08X-0000-4000-8000-%012X", i, i);
  wchar_t stamp[32];
  swprintf(stamp, 32, L"2026-%02d-%02dT%02d:%02d:%02d", 1 + i % 12, 1 + i % 28, i % 24, i % 60,
           (i * 7) % 60);
  std::wstring x = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ARDOQuarantineRecordXML scanGUID=\"{6F1C2B1E-0000-4000-8000-000000000001}\"\n"
                   L"\t\tquarantineLocation=\"C:\\ProgramData\\RodeRedud\\Engine\\Quarantine\\Data\\" +
                   std::wstring(id) + L".bin\"\n\t\tname=\"Test.File.Signature." + std::to_wstring(i % 50) +
                   L"\"\n\t\ttype=\"Virus\"\n\t\tquarantineId=\"" + id +
                   L"\"\n\t\tauthor=\"\"\n\t\tcategory=\"Test\"\n\t\tdateTimeStampUTC=\"" + stamp +
                   L"\"\n\t\tthreatId=\"" + std::to_wstring(1000 + i % 50) +
                   L"\"\n\t\tlevel=\"" + std::to_wstring(1 + i % 5) +
                   L"\"\n\t\tCategoryID=\"3\"\n\t\tadviseType=\"3\"\n\t\toptionalScan=\"0\"\n\t\tremovalType=\"1\"\n\t\tSource=\"1\"\n"
                   L"\t\tisHookThreat=\"false\"\n\t\tcanQuarantine=\"true\"\n\t\tBufferOnly=\"false\"\n\t\tthreatDefinitionVersion=\"7\">\n"
                   L"\t<authorURL></authorURL>\n\t<desc>A harmless file that every scanner reports, used to test scanners.</desc>\n"
                   L"\t<threatAdviceDetails>Quarantine or delete the file.</threatAdviceDetails>\n\t<customData></customData>\n\t<fixes>\n";
  for (int f = 0; f < 1 + i % 3; ++f)
    x += L"\t\t<fix traceType=\"1\"\n\t\t\tdispValue=\"c:\\users\\someone\\downloads\\sample" +
         std::to_wstring(i) + L"_" + std::to_wstring(f) +
         L".com\"\n\t\t\tactionType=\"3\"\n\t\t\tisTransient=\"false\">\n\t\t\t<originalAttributes>\n"
         L"\t\t\t\t<attr n=\"size\"\n\t\t\t\t\tv=\"68\"/>\n\t\t\t</originalAttributes>\n\t\t</fix>\n";
  x += L"\t</fixes>\n</ARDOQuarantineRecordXML>\n";
  return ToBytes(x);
}

bool WriteAll(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD w = 0;
  BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &w, nullptr);
  CloseHandle(h);
  return ok && w == bytes.size();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int count = argc > 1 ? _wtoi(argv[1]) : 5000;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (!LoadShippedTheme()) {
    std::fprintf(stderr, "the shipped theme did not load\n");
    return 2;
  }
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring root = std::wstring(temp) + L"rr_bench_quarantine";
  Remove(root);
  CreateDirectoryW(root.c_str(), nullptr);
  const std::wstring folder = QuarantineFolderOf(root);
  CreateDirectoryW(folder.c_str(), nullptr);
  std::vector<std::wstring> paths;
  for (int i = 0; i < count; ++i) {
    wchar_t name[64];
    swprintf(name, 64, L"%08X-0000-4000-8000-%012X.xml", i, i);
    paths.push_back(folder + name);
    if (!WriteAll(paths.back(), Record(i))) {
      std::fprintf(stderr, "could not write the records\n");
      return 2;
    }
  }

  FakeEngine engine;
  engine.SetText(L"GetDataFolder", root + L"\\");
  Engine().EnsureEngine();
  HWND host = CreateWindowExW(0, CWnd::DefaultClassName(), L"bench", WS_POPUP | WS_VISIBLE, 0, 0,
                              800, 600, nullptr, nullptr, nullptr, nullptr);
  auto page = std::make_unique<CQuarantinePage>();
  page->Create(host);
  MoveWindow(page->m_hWnd, 0, 0, 760, 480, TRUE);
  ShowWindow(page->m_hWnd, SW_SHOW);
  fw::PumpPending();

  // Alternate the two so that both see the same file cache.
  std::vector<double> parse, fill, folderRows;
  const threat::DetailTitles titles = threat::DetailTitles::FromTheme();
  int parsed = 0;
  for (int round = 0; round < 7; ++round) {
    double t0 = BenchNowMs();
    parsed = 0;
    for (const std::wstring& p : paths) {
      QVnsQuarantineFile::CARDOQuarantineRecordXML record;
      if (record.ReadFromFile(p) == 0) ++parsed;
    }
    parse.push_back(BenchNowMs() - t0);
    t0 = BenchNowMs();
    TIME_ZONE_INFORMATION zone{};
    GetTimeZoneInformation(&zone);
    const size_t listed = ReadQuarantineFolder(folder, titles, &zone).size();
    folderRows.push_back(BenchNowMs() - t0);
    if (listed != paths.size()) std::printf("rows: only %zu\n", listed);
    t0 = BenchNowMs();
    page->LoadQuarantineList();
    fill.push_back(BenchNowMs() - t0);
  }
  const double parseMs = Median(parse), fillMs = Median(fill);
  std::printf("records: %d (parsed %d, listed %d)\n", count, parsed, page->List().RecordCount());
  std::printf("read and parse with the binding alone: %.1f ms\n", parseMs);
  std::printf("read the folder into rows (no window): %.1f ms\n", Median(folderRows));
  std::printf("fill the quarantine page: %.1f ms\n", fillMs);
  std::printf("fill / parse ratio: %.3f (goal <= 1.3)\n", fillMs / parseMs);

  // Scrolling: one line step and one page step of the filled list, each
  // repainted at once.
  CCustomList& rows = page->List().Rows();
  fw::PumpPending();
  std::vector<double> lineSteps, pageSteps;
  for (int i = 0; i < 60; ++i) {
    for (auto [code, into] : {std::pair{SB_LINEDOWN, &lineSteps}, std::pair{SB_PAGEDOWN, &pageSteps}}) {
      const double t0 = BenchNowMs();
      rows.Send(WM_VSCROLL, MAKEWPARAM(code, 0), 0);
      RedrawWindow(rows.m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
      GdiFlush();
      into->push_back(BenchNowMs() - t0);
    }
  }
  std::printf("scroll one line and repaint: median %.2f ms, worst %.2f ms (frame 16.7 ms)\n",
              Median(lineSteps), *std::max_element(lineSteps.begin(), lineSteps.end()));
  std::printf("scroll one page and repaint: median %.2f ms, worst %.2f ms (frame 16.7 ms)\n",
              Median(pageSteps), *std::max_element(pageSteps.begin(), pageSteps.end()));

  page.reset();
  DestroyWindow(host);
  Engine().ReleaseAll();
  Remove(root);
  CoUninitialize();
  return 0;
}
