// The interactive start of the application object (start-up steps 19 to 28:
// engine connection, main frame, engine seeding, updater registration, run
// count and first-run work) and its counterpart at exit.
#include <ctime>

#include "app/AppFunctions.h"
#include "app/MainFrame.h"
#include "app/RodeRedudApp.h"
#include "app/SeedEngine.h"
#include "app/Settings.h"
#include "engine/EngineSession.h"
#include "engine/ScanController.h"
#include "framework/Messages.h"
#include "telemetry/UniversalWrapper.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

namespace {}

BOOL CRodeRedudApp::StartInteractive() {
  // 19. The engine, retried for up to a minute.
  if (!Engine().ConnectAtStartup()) {
    AppMessageBox(nullptr, Theme().LoadResString(IDS_ENGINE_UNAVAILABLE), AppTitle(), MB_OK);
    return FALSE;
  }

  // 20, 21. The main window, hidden for "minimize".
  m_ownedMainFrame = std::make_unique<CMainFrame>();
  CMainFrame& frame = *m_ownedMainFrame;
  frame.SetStartHidden(ParsedCommandLine().HasSwitch(L"minimize"));
  if (!frame.CreateMainWindow()) return FALSE;
  SetMainFrame(&frame);
  frame.SetQuitOnDestroy(true);
  frame.ShowWindow(SW_SHOW);
  frame.UpdateWindow();

  // 22, 23.
  frame.MainFrameStatusRefresh();
  SeedEngineConfiguration();

  // 24. Our own command line is handled like a handed-over one.
  frame.Post(msg::kHandOver, 0, 0);

  // 25.
  RegisterWithUpdater();

  // 26. Count the run; the first one records the installation date.
  m_runCount = ReadProfileInt(settings::kRunCount, settings::kDefaultRunCount) + 1;
  const bool firstRun = m_runCount <= 1;
  if (firstRun) {
    const std::time_t now = std::time(nullptr);
    WriteProfileText(settings::kInstallDate, FormatTimeUtc(now));
    WriteProfileText(settings::kInstallDateLocal, FormatTimeLocal(now));
  }
  WriteProfileInt(settings::kRunCount, m_runCount);

  // 27. The first run starts a quick scan and comes to the front.
  if (firstRun) {
    try {
      frame.BeginScan(kScanQuick);
    } catch (const EngineError&) {
      // The scan could not be asked for; the window still comes up.
    }
    frame.BringUp();
  }
  return TRUE;
}

void CRodeRedudApp::StopInteractive() {
  if (m_ownedMainFrame) {
    m_ownedMainFrame->DestroyWindow();
    m_ownedMainFrame.reset();
  }
  m_mainFrame = nullptr;
  CScanController::Shutdown();
  Engine().ReleaseAll();
}

bool CRodeRedudApp::OnLoopException(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const EngineError&) {
    // A failed engine call ends the handler that made it, nothing more.
    return true;
  } catch (...) {
    return false;
  }
}
