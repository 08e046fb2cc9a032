#pragma once
// EnginePageFixture: the main window, in the test process, against the
// reference engine running as a real COM local server. Shared by the
// end-to-end tests of every page.
//
// Start() makes a scratch folder of the test's own with:
//   data\     the engine's data folder (its configuration documents, results,
//             quarantine), through the engine's RODEREDUD_ENGINE_DATA override;
//   scan\     the only root of quick and full scans (RODEREDUD_ENGINE_QUICK_PATHS
//             and _FULL_PATHS), holding the standard 68-byte antivirus test file;
//   custom\   a folder outside the scan roots, for custom scans (empty);
//   watch\    the folder active protection watches (RODEREDUD_ENGINE_WATCH_PATHS);
// stops any engine still running (it would serve other folders), registers the
// engine, loads the shipped theme, makes an application object with a scratch
// profile key and message-box and folder-browser seams that never block, connects
// the process's engine session and creates and shows the main frame.
// The destructor closes the frame, releases the session, stops the engine and
// removes the folder and the profile key.
//
//   EnginePageFixture engine;
//   ASSERT_TRUE(engine.Start());
//   engine.Frame().BeginScan(kScanQuick);
//   ASSERT_TRUE(engine.WaitScanState({1}));
//   EXPECT_EQ(engine.MessageBoxes().size(), 0u);
//
// Tests in one process each get a fresh engine and folder (about a second to
// start). Use one fixture at a time; no fake engine may exist meanwhile (its
// class objects would answer instead of the engine).
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CMainFrame;
class CRodeRedudApp;

class EnginePageFixture {
 public:
  struct MessageBoxCall {
    std::wstring text;
    std::wstring caption;
    UINT type;
  };

  EnginePageFixture();
  ~EnginePageFixture();
  EnginePageFixture(const EnginePageFixture&) = delete;
  EnginePageFixture& operator=(const EnginePageFixture&) = delete;

  // Folders, engine, theme, application object and the shown frame with the
  // given client size. On failure the result says which step failed.
  ::testing::AssertionResult Start(int clientWidth = 800, int clientHeight = 600);

  CMainFrame& Frame() { return *m_frame; }
  CRodeRedudApp& App() { return *m_app; }

  // The scratch folders (no trailing backslash).
  const std::wstring& Root() const { return m_root; }
  const std::wstring& DataFolder() const { return m_data; }
  const std::wstring& ScanFolder() const { return m_scan; }
  const std::wstring& CustomFolder() const { return m_custom; }
  // The test file planted in ScanFolder().
  const std::wstring& TestFile() const { return m_testFile; }
  // Writes the 68-byte antivirus test file as folder\name; true on success.
  static bool PlantTestFile(const std::wstring& path);

  // Stops the engine and connects to a new one on the same data folder (the
  // process's session, its scan controller and the fixture's state sink follow;
  // the frame's own sinks stay with the stopped engine). whileStopped runs while
  // no engine runs, for example to change the data folder's files.
  ::testing::AssertionResult RestartEngine(const std::function<void()>& whileStopped = {});

  // The engine's current documents, fetched through the process's session
  // (empty text when the engine does not answer).
  std::wstring ScanConfigText();
  std::wstring NVPairsText();

  // Scan states (ScanStateChanged) the engine reported since Start() or the
  // last ClearScanStates(), seen by a sink of the fixture's own.
  std::vector<long> ScanStates() const { return m_states; }
  void ClearScanStates() { m_states.clear(); }
  // Pumps messages until one of the states has been reported (true) or the time
  // is up (false).
  bool WaitScanState(std::initializer_list<long> states, DWORD timeoutMs = 60000);

  // Every message box the program asked for, in order. Each is answered with
  // the next scripted answer, else IDOK (IDYES for Yes/No boxes).
  const std::vector<MessageBoxCall>& MessageBoxes() const { return m_boxes; }
  void AnswerNextMessageBox(int id) { m_boxAnswers.push_back(id); }

  // Folder browser: each opening takes the next scripted answer (a path, or
  // nullopt for Cancel); with none left it is cancelled. Count of openings.
  void AnswerNextFolderBrowser(std::optional<std::wstring> path) {
    m_browseAnswers.push_back(std::move(path));
  }
  int FolderBrowserOpenings() const { return m_browseOpenings; }

 private:
  class StateSink;
  void RemoveFolders();
  // Session, scan controller and state sink on the engine (started on demand).
  ::testing::AssertionResult ConnectEngine();

  std::wstring m_root, m_data, m_scan, m_custom, m_watch, m_testFile;
  std::wstring m_profileCompany;
  std::unique_ptr<CRodeRedudApp> m_app;
  std::unique_ptr<CMainFrame> m_frame;
  std::unique_ptr<StateSink> m_sink;
  std::vector<long> m_states;
  std::vector<MessageBoxCall> m_boxes;
  std::vector<int> m_boxAnswers;
  std::vector<std::optional<std::wstring>> m_browseAnswers;
  int m_browseOpenings = 0;
};

// Dispatches the thread's messages until done() holds (true) or the time is up
// (false); waits for input between checks.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
