#pragma once
// The settings tab's page: the active-protection response, quarantine retention
// and the two scheduled scans. It keeps no settings of its own: every value it
// shows is read from the engine's documents each time it is shown, and every
// change is stored back into them at once (the schedules when applied).
#include <windows.h>
#include <gdiplus.h>

#include <functional>
#include <memory>

#include "controls/BaseDlg.h"
#include "controls/ThemeBox.h"
#include "controls/ThemeLabel.h"
#include "controls/TransButton.h"
#include "framework/Controls.h"
#include "pages/settings/SettingsLayout.h"
#include "pages/settings/SettingsRules.h"

class CSettingsPage : public CBaseDlg {
 public:
  CSettingsPage();
  ~CSettingsPage() override;

  // Switches active protection on by default where the installer allowed it:
  // the first time with the recommended response, later only when it is off.
  void ApplyActiveProtectionDefaults();

  // The draw (0..32767) that spreads an applied schedule's start time; the C
  // library's generator, seeded once per process, unless a test sets another.
  std::function<int()> m_randomDraw;

  // The two boxes and the picture's place, as last laid out.
  const CThemeBox& ProtectionBox() const { return m_upperBox; }
  const CThemeBox& ScheduleBox() const { return m_lowerBox; }
  POINT PicturePosition() const { return m_picture; }

 protected:
  BOOL OnInitDialog() override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnShowWindow(BOOL show, UINT status) override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void DrawContent(Gdiplus::Graphics& g) override;

 private:
  // Lists filled with their entries, index 0 selected, then ShowSchedules.
  void FillLists();
  // The schedules from ScanConfig; the apply button disabled.
  void ShowSchedules();
  void ShowSchedule(const settings_page::ScheduleColumnIds& column,
                    const settings_page::ScheduleView& view);
  // Retention box and response list from ScanConfig and APConfig.
  void ShowProtectionSettings();
  // The installer's schedules from the machine key into ScanConfig.
  void ApplyScheduleDefaults();
  void EnableScheduleControls();
  void ApplySchedules();
  void RestoreDefaultSchedules();
  void RetentionChanged();
  void ResponseChanged();
  void RestoreRecommendedProtection();
  bool Confirm();
  void Layout();

  CComboBox& List(int id);
  CButton& Check(int id);

  CThemeLabel m_labels[10];
  CTransButton m_retention, m_quickCheck, m_fullCheck;
  CTransButton m_restoreProtection, m_apply, m_restoreSchedules;
  CComboBox m_response, m_quickFrequency, m_fullFrequency, m_quickWeekday, m_fullWeekday,
      m_quickHour, m_fullHour;
  CThemeBox m_upperBox, m_lowerBox;
  std::unique_ptr<Gdiplus::Bitmap> m_quarantinePicture;
  std::unique_ptr<Gdiplus::Bitmap> m_textBackground;
  POINT m_picture{};
};
