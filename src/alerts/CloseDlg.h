#pragma once
// CCloseDlg: the close-to-tray question shown inside the main window. OK hides
// the window to the notification area, Cancel keeps it open; both store the
// "do not show again" check box as the profile value ShowCloseDlg.
#include "alerts/LightBoxWnd.h"
#include "controls/ThemeButton.h"
#include "controls/TransButton.h"

class CCloseDlg : public CLightBoxWnd {
 public:
  explicit CCloseDlg(HINSTANCE resourceModule);
  ~CCloseDlg() override;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void DrawContent(Gdiplus::Graphics& g, HDC dc) override;

 private:
  void StoreChoice();
  void LayoutControls();

  CSolidButton m_ok, m_cancel;
  CTransButton m_dontShow;
  std::wstring m_texts[4];
  std::unique_ptr<Gdiplus::Bitmap> m_info, m_taskbar;
  int m_contentBottom = 0;
};
