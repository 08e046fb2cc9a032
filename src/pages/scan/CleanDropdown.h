#pragma once
// CCleanDropdown: the threat list's per-threat action menu, a colour-keyed
// pop-up (dialog template 319) with seven options. Opened for one row, it sends
// the chosen option to the list (kMsgChooseAction: option, row) and hides; it
// also hides when it loses activation or on Escape. From the keyboard, Up and
// Down move between the options, Enter or Space chooses.

#include <windows.h>

#include <array>
#include <memory>

#include "controls/AlphaImage.h"
#include "controls/ThemeButton.h"
#include "framework/Dialog.h"
#include "pages/scan/ThreatRecord.h"

class CCleanDropdown : public CDialog {
 public:
  // To the list window: wParam the option command, lParam the row index.
  static constexpr UINT kMsgChooseAction = 0x8017;
  // The list's row container, which gets the keyboard back when the menu closes.

  CCleanDropdown();
  ~CCleanDropdown() override;

  // Creates the hidden pop-up, owned by owner's top-level window; choices go to list.
  bool CreateDropdown(HWND list);

  // Lays the options out for the record and shows the pop-up over `cell` (screen
  // coordinates of the row's action cell), keeping it on the monitor. With
  // `keyboard` the first option takes the focus.
  void OpenFor(const ThreatRecord& record, int row, const RECT& cell, bool keyboard);
  void Close();
  bool IsOpen() const { return m_hWnd && IsWindowVisible(); }
  int Row() const { return m_row; }
  const threat::DropdownLayout& Layout() const { return m_layout; }
  // The option button of an option command (tests), or null.
  CThemeButton* OptionButton(int option);

  // Sends the option to the list and hides.
  void Choose(int option);

  bool PreTranslateMessage(MSG& msg) override;
  void PaintTo(HDC dc);

 protected:
  BOOL OnInitDialog() override;
  void OnPaint() override;
  void OnPrintClient(HDC dc, UINT flags) override;
  BOOL OnEraseBkgnd(HDC dc) override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnCancel() override { Close(); }
  void OnOK() override;

 private:
  class COption;
  // Moves the keyboard focus by `step` among the shown options; 0 focuses the first.
  void MoveFocus(int step);
  int FocusedIndex() const;

  HWND m_list = nullptr;
  int m_row = -1;
  threat::DropdownLayout m_layout;
  std::array<std::unique_ptr<COption>, threat::kOptionCount> m_options;
  CAlphaImage m_arrow;
};
