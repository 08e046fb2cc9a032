#pragma once
// The overview tab's page: the protection state at a glance. A coloured banner
// with its message, the computer in the status colour, the facts (last quick
// and full scan, definitions date, installation date, clean count), the last
// scan, and two buttons: a quick scan at once, or the scan page with the custom
// scan chosen. The page owns no data: it reads everything again on every show
// and when the engine reports a definitions change.
#include <windows.h>
#include <gdiplus.h>

#include <map>
#include <memory>
#include <string>

#include "controls/BaseDlg.h"
#include "controls/ThemeButton.h"
#include "engine/EventSinks.h"
#include "pages/scan/OverviewModel.h"

class COverviewPage : public CBaseDlg {
 public:
  // Connects the definitions sink to the engine's service component (silently
  // without one: the page then refreshes only when shown).
  COverviewPage();
  ~COverviewPage() override;

  // The view model.
  const std::wstring& Message() const { return m_message; }
  OverviewStatus Status() const { return m_status; }
  const std::wstring& DefinitionsDateText() const { return m_definitionsDate; }
  const std::wstring& DefinitionsTimeText() const { return m_definitionsTime; }
  const std::wstring& CleanCountText() const { return m_cleanCount; }
  const std::wstring& InstallDateText() const { return m_installDate; }
  const std::wstring& LastFullScanText() const { return m_lastFull; }
  const std::wstring& LastQuickScanText() const { return m_lastQuick; }
  const std::wstring& LastScanLine() const { return m_lastScan; }
  const OverviewLayout& Layout() const { return m_layout; }
  bool ListensForDefinitions() const { return m_definitionsSink.IsConnected(); }

  // Each reads what it shows from the engine or the registry. A failed engine
  // call leaves its texts as they were (and a trace line); the others still run.
  void RefreshDefinitionsDate();
  void RefreshLastScan();
  void RefreshCleanCount();
  void RefreshScanSummary();
  // All four, as when the page is shown.
  void RefreshAll();
  void SetStatusMessage(std::wstring message, OverviewStatus status);
  void LayoutOverview();

  // The two buttons' commands.
  void OnCustomScan();
  void OnStartScan();

 protected:
  BOOL OnInitDialog() override;
  void OnDestroy() override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnMove(int x, int y) override;
  void OnShowWindow(BOOL show, UINT status) override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  bool PreTranslateMessage(MSG& msg) override;
  void DrawContent(Gdiplus::Graphics& g) override;
  void DrawBackground(HDC surface, const RECT& client) override;
  std::wstring PictureKey() override;

 private:
  Gdiplus::Bitmap* Image(const wchar_t* key) const;
  // Invalidates the page, unless a refresh of everything is under way (it
  // invalidates once at its end).
  void Repaint();
  void DrawBanner(Gdiplus::Graphics& g);
  void DrawStatistics(Gdiplus::Graphics& g);
  void DrawSchedule(Gdiplus::Graphics& g);
  // A GDI+ copy of a theme font, made once (null when the theme has none).
  Gdiplus::Font* Font(const wchar_t* key);

  std::wstring m_message;
  OverviewStatus m_status = kStatusGreen;
  std::wstring m_definitionsDate, m_definitionsTime;
  std::wstring m_cleanCount, m_installDate;
  std::wstring m_lastFull, m_lastQuick;
  std::wstring m_lastScan;
  OverviewLayout m_layout;
  bool m_deferRepaint = false;
  bool m_areasDrawn = false;  // the last DrawBackground drew the gradient and the bottom area
  std::map<std::wstring, std::unique_ptr<Gdiplus::Bitmap>> m_images;
  std::map<std::wstring, std::unique_ptr<Gdiplus::Font>> m_fonts;
  CThemeButton m_customButton;
  CThemeButton m_startButton;
  COverviewDefinitionsSink m_definitionsSink;
};
