#pragma once
// CFinishedPage: the scan tab's page with the outcome of a scan or a cleaning.
// It tells the user that nothing was found, or what the cleaning achieved,
// shows the threat list of the page before it, and offers a restart when the
// cleaning needs one or the user asked for one.
#include <windows.h>

#include <memory>
#include <string>

#include "controls/BaseDlg.h"
#include "controls/ThemeLabel.h"
#include "pages/scan/ScanFlowRules.h"

class CScanResultsList;

class CFinishedPage : public CBaseDlg {
 public:
  // The restart question, asked once, 100 ms after the page is shown.
  static constexpr UINT kRestartDelayMs = 100;

  CFinishedPage();
  ~CFinishedPage() override;

  // Takes over the list of the page before (the list stays that page's).
  void AdoptThreatList(CScanResultsList* list);
  // Texts, numbers, colours and the restart offer of a state (0, 1, 2).
  void ShowFinishedState(int state);
  // Brings the page's texts up to date (main frame status refresh).
  void Refresh();

  int State() const { return m_state; }
  bool RestartOffered() const { return m_restartOffer; }
  bool Orange() const { return m_orange; }
  const std::wstring& BannerTitle() const { return m_bannerTitle; }
  std::wstring Headline() const { return m_headline.m_text; }
  std::wstring Numbers() const { return m_numbers.m_text; }
  CScanResultsList* BorrowedList() const { return m_list; }
  const scan_flow::FinishedLayout& Layout() const { return m_layout; }

 protected:
  BOOL OnInitDialog() override;
  void OnDestroy() override;
  void OnShowWindow(BOOL show, UINT status) override;
  void OnTimer(UINT_PTR id) override;
  void OnSize(UINT type, int cx, int cy) override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  void DrawContent(Gdiplus::Graphics& g) override;

 private:
  void LayOut();
  void AskRestart();

  CThemeLabel m_headline, m_captions, m_numbers;
  CScanResultsList* m_list = nullptr;
  std::unique_ptr<Gdiplus::Bitmap> m_statusGreen, m_statusOrange, m_computerGreen,
      m_computerOrange;
  scan_flow::FinishedLayout m_layout;
  std::wstring m_bannerTitle;
  int m_state = scan_flow::kNothingFound;
  bool m_restartOffer = false;
  bool m_orange = false;
};
