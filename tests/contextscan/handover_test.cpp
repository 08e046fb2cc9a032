// A context-menu scan handed over to the running window (fake engine).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "app/RodeRedudApp.h"
#include "app/Settings.h"
#include "framework/Messages.h"
#include "pages/scan/ScanningPage.h"
#include "support/FakeEngine.h"
#include "support/FrameHarness.h"
#include "support/ScanConfigText.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

namespace {

// Paths are stored in lower case.
bool Holds(std::wstring text, std::wstring part) {
  CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  CharLowerBuffW(part.data(), static_cast<DWORD>(part.size()));
  return text.find(part) != std::wstring::npos;
}

std::string Show(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

// Folders and a file of the test's own, with a space, a comma and letters
// outside ASCII in their names.
class Items {
 public:
  Items() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    m_root = std::wstring(temp) + L"rr context " + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(m_root.c_str(), nullptr);
    folder = m_root + L"\\D\u00e4ten, alt";
    CreateDirectoryW(folder.c_str(), nullptr);
    file = m_root + L"\\\u0444\u0430\u0439\u043b.txt";
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    userFolder = m_root + L"\\mine";
    CreateDirectoryW(userFolder.c_str(), nullptr);
    missing = m_root + L"\\not there";
  }
  ~Items() {
    DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
    RemoveDirectoryW(userFolder.c_str());
    RemoveDirectoryW(m_root.c_str());
  }
  std::wstring folder, file, userFolder, missing;

 private:
  std::wstring m_root;
};

class ContextScanHandOver : public testing::Test {
 protected:
  void SetUp() override {
    // Hidden at the start: the window sits in the tray.
    ASSERT_TRUE(h.Start(800, 600, false));
    h.App().Seams().messageBox = [this](HWND, const std::wstring& text, const std::wstring&, UINT) {
      boxes.push_back(text);
      return IDOK;
    };
    h.Engine().SetText(L"GetScanConfig", ScanConfigDoc({items.userFolder}));
  }

  // As a second process does: the command line in the profile, then the
  // message (sent, so that it has been handled on return). With settle, waits
  // until the gathered request has been acted on.
  void HandOver(const std::wstring& commandLine, bool settle = true) {
    h.App().WriteProfileText(settings::kCommandLine, commandLine);
    h.Frame().Send(msg::kHandOver, 0, 0);
    if (!settle) return;
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (h.Frame().ContextScanPending() && GetTickCount64() < deadline) PumpFor(20);
    EXPECT_FALSE(h.Frame().ContextScanPending()) << "the request was never acted on";
    PumpFor(20);
  }
  static std::wstring PathSwitch(const std::wstring& path) { return L" /path:\"" + path + L"\""; }

  FrameHarness h;
  Items items;
  std::vector<std::wstring> boxes;
};

}  // namespace

TEST_F(ContextScanHandOver, SelectionFromTheTrayBecomesOneScanAndTheUserFoldersStay) {
  ASSERT_FALSE(h.Frame().IsWindowVisible());
  // A selection of two items: Explorer's two requests arrive together.
  HandOver(L"/scan:custom" + PathSwitch(items.folder), false);
  HandOver(L"/scan:custom" + PathSwitch(items.file));

  EXPECT_TRUE(h.Frame().IsWindowVisible());
  ASSERT_EQ(1, h.Engine().CallCount(L"StartScan"));
  EXPECT_EQ(L"2", h.Engine().Calls(L"StartScan")[0].args[0]);
  EXPECT_EQ(static_cast<CWnd*>(h.Frame().ScanningPage()),
            h.Frame().GetTabPage(CMainFrame::kTabScan));
  EXPECT_TRUE(h.Frame().NavigationLocked());
  EXPECT_TRUE(boxes.empty());
  // The scan's paths stand in the configuration; the user's folder does not.
  const std::wstring scanned = h.Engine().Stored(L"SetScanConfig");
  EXPECT_TRUE(Holds(scanned, items.folder)) << Show(scanned);
  EXPECT_TRUE(Holds(scanned, items.file)) << Show(scanned);
  EXPECT_FALSE(Holds(scanned, items.userFolder)) << Show(scanned);

  // Once the engine has started the scan, the user's folders are back.
  h.Engine().FireScanStateChanged(1);
  const ULONGLONG deadline = GetTickCount64() + 5000;
  while (!Holds(h.Engine().Stored(L"SetScanConfig"), items.userFolder) &&
         GetTickCount64() < deadline)
    PumpFor(20);
  const std::wstring after = h.Engine().Stored(L"SetScanConfig");
  EXPECT_TRUE(Holds(after, items.userFolder)) << Show(after);
  EXPECT_FALSE(Holds(after, items.folder)) << Show(after);
}

TEST_F(ContextScanHandOver, RequestDuringARunningScanStartsNothingAndSaysSo) {
  HandOver(L"/scan:quick");
  ASSERT_EQ(1, h.Engine().CallCount(L"StartScan"));
  HandOver(L"/scan:custom" + PathSwitch(items.folder));
  EXPECT_EQ(1, h.Engine().CallCount(L"StartScan"));
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ(Theme().LoadResString(IDS_CONTEXT_SCAN_RUNNING), boxes[0]);
  EXPECT_TRUE(h.Frame().IsWindowVisible());
}

TEST_F(ContextScanHandOver, MissingPathIsNamedAndTheOthersStillScan) {
  HandOver(L"/scan:custom" + PathSwitch(items.missing) + PathSwitch(items.folder));
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ(Theme().LoadResString(IDS_CONTEXT_ITEMS_NOT_FOUND) + L"\n" + items.missing,
            boxes[0]);
  ASSERT_EQ(1, h.Engine().CallCount(L"StartScan"));
  const std::wstring scanned = h.Engine().Stored(L"SetScanConfig");
  EXPECT_TRUE(Holds(scanned, items.folder)) << Show(scanned);
  EXPECT_FALSE(Holds(scanned, items.missing)) << Show(scanned);
}

TEST_F(ContextScanHandOver, OnlyMissingPathsStartNothing) {
  HandOver(L"/scan:custom" + PathSwitch(items.missing));
  EXPECT_EQ(0, h.Engine().CallCount(L"StartScan"));
  EXPECT_EQ(1u, boxes.size());
  EXPECT_FALSE(h.Frame().NavigationLocked());
}

TEST_F(ContextScanHandOver, OtherScanValuesWithPathsDoNothing) {
  for (const wchar_t* value : {L"/scan:full", L"/scan:Custom", L"/scan", L"/scan:folder"})
    HandOver(value + PathSwitch(items.folder));
  EXPECT_EQ(0, h.Engine().CallCount(L"StartScan"));
  EXPECT_TRUE(boxes.empty());
}
