// Scenes of the settings tab and the about page in the main window, with the
// fake engine's documents: the settings as a fresh installation has them (no
// schedules), with both scheduled scans on, and the about page.
#include <windows.h>

#include <string>

#include "app/MainFrame.h"
#include "snapshot/Snapshot.h"
#include "support/FakeEngine.h"
#include "support/FrameHarness.h"
#include "themedata/resource.h"

namespace {

const wchar_t kHead[] = L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>";

const wchar_t kBothSchedules[] =
    L"<ScanSchedules>"
    L"<ScanSchedule ScheduleID=\"0\" ScanScheduleName=\"quick scan\" ScanType=\"0\" "
    L"StartTime=\"12:10\" EnableSun=\"true\" EnableMon=\"true\" EnableTue=\"true\" "
    L"EnableWed=\"true\" EnableThu=\"true\" EnableFri=\"true\" EnableSat=\"true\" Enabled=\"true\"/>"
    L"<ScanSchedule ScheduleID=\"1\" ScanScheduleName=\"full scan\" ScanType=\"1\" "
    L"StartTime=\"20:52\" EnableSat=\"true\" Enabled=\"true\"/>"
    L"</ScanSchedules>";

// The frame on the settings tab with the given ScanConfig content.
void SettingsScene(snapshot::Context& ctx, const std::wstring& scanConfigBody,
                   const wchar_t* name) {
  FrameHarness harness;
  if (!harness.Start()) return;
  harness.Engine().SetText(L"GetScanConfig", std::wstring(kHead) + scanConfigBody);
  harness.Engine().SetText(
      L"GetAPConfig", std::wstring(kHead) +
                          L"<APConfig Enabled=\"true\" KnownBadApplicationResponseEnum=\"5\"/>");
  snapshot::PumpFor(100);
  harness.Frame().SelectTab(CMainFrame::kTabSettings, true);
  ctx.Capture(harness.Frame().m_hWnd, name);
}

}  // namespace

SNAPSHOT_SCENE(settings_defaults) {
  SettingsScene(ctx, L"<ScanConfig DaysToKeepQuarantinedItems=\"0\"><ScanSchedules/></ScanConfig>",
                L"settings_defaults");
}

SNAPSHOT_SCENE(settings_schedules) {
  SettingsScene(ctx,
                std::wstring(L"<ScanConfig DaysToKeepQuarantinedItems=\"15\">") + kBothSchedules +
                    L"</ScanConfig>",
                L"settings_schedules");
}

SNAPSHOT_SCENE(about_page) {
  FrameHarness harness;
  if (!harness.Start()) return;
  snapshot::PumpFor(100);
  harness.Frame().Send(WM_COMMAND, ID_FRAME_ABOUT, 0);
  ctx.Capture(harness.Frame().m_hWnd, L"about_page");
}
