#pragma once
// The scan tab's page after a scan that found threats: a banner coloured by
// the most severe threat, the threat list in link mode (an action per
// threat), two clean buttons and a close button. Cleaning adds the threats
// marked "always ignore" to the scan configuration, writes the results with
// the chosen actions as the clean request and hands over to the cleaning page.

#include <windows.h>

#include <array>
#include <memory>
#include <string>

#include "controls/BaseDlg.h"
#include "controls/ThemeButton.h"
#include "controls/ThemeLabel.h"
#include "engine/documents/ScanConfig.h"
#include "engine/documents/ScanResults.h"
#include "pages/scan/ScanResultsList.h"

// Rectangles of the results page for a client size (pure).
struct ResultsLayout {
  RECT banner;
  RECT computer;
  RECT cleanTop;     // button 1022
  RECT summary;      // label 1023
  RECT close;        // button 1004
  RECT cleanBottom;  // button 1003
  RECT list;
};
ResultsLayout ComputeResultsLayout(SIZE client, SIZE statusPicture, SIZE computerPicture,
                                   SIZE cleanButton);

// Appends an ignored threat (source 1, the threat's id, the given local time)
// for every threat whose requested action is "always ignore", and marks the
// ignored threats dirty. Returns how many were added.
int AddIgnoredThreats(QVnsScanConfig::CScanConfig& config,
                      const QVnsScanResults::CARDOThreatEngineResults& results,
                      const std::wstring& localDateTime);

class CResultsPage : public CBaseDlg {
 public:
  CResultsPage();
  ~CResultsPage() override;

  // Takes the list back, switches it to link mode and rebuilds it from the
  // engine's results file; an unreadable file leaves the list as it was. The
  // summary counts what the list then holds.
  void ImportScanResults();
  // Stores the ignored threats, writes the clean request, prepares the cleaning
  // page and starts the clean. A failed engine call raises EngineError.
  void CleanSelectedThreats();
  // Leaves the results: navigation unlocked, the engine's scan reset, overview shown.
  void CloseResults();

  CScanResultsList& List() { return m_list; }
  const QVnsScanResults::CARDOThreatEngineResults& Results() const { return m_results; }
  const std::wstring& SummaryText() const { return m_summary; }
  // The banner title (text 155 with the record and trace counts).
  std::wstring BannerTitle();
  ResultsLayout CurrentLayout();

 protected:
  BOOL OnInitDialog() override;
  void OnSize(UINT type, int cx, int cy) override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  void DrawContent(Gdiplus::Graphics& g) override;

 private:
  void Layout();
  void UpdateSummary();
  Gdiplus::Bitmap* StatusPicture(threat::Severity s);
  Gdiplus::Bitmap* ComputerPicture(threat::Severity s);

  CScanResultsList m_list;
  QVnsScanResults::CARDOThreatEngineResults m_results;
  std::wstring m_summary;
  std::array<std::unique_ptr<Gdiplus::Bitmap>, 3> m_statusPictures;
  std::array<std::unique_ptr<Gdiplus::Bitmap>, 3> m_computerPictures;
  CThemeButton m_cleanBottom;
  CThemeButton m_cleanTop;
  CThemeLabel m_summaryLabel;
  std::unique_ptr<Gdiplus::Font> m_titleFont;
};
