#pragma once
// Shared set-up of the control tests: a theme document with distinctive colours
// loaded into the process theme, and small solid PNG images under the test
// executable's folder (where LoadThemeImage looks without a resource library).

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "controls/BaseDlg.h"
#include "framework/Wnd.h"
#include "support/Capture.h"
#include "support/DialogTemplate.h"
#include "theme/ThemeResources.h"

namespace ctl {

// Folder (relative to the executable, outside the installed layout) of the
// generated images.
inline const std::wstring kImages = L"../test_data/controls/";

// Colours of the fixture theme (0x00RRGGBB).
inline constexpr std::uint32_t kClientBg = testsupport::Rgb(10, 20, 30);
inline constexpr std::uint32_t kProgressBg = testsupport::Rgb(200, 200, 200);
inline constexpr std::uint32_t kProgressBar = testsupport::Rgb(0, 160, 0);
inline constexpr std::uint32_t kAnimationBg = testsupport::Rgb(40, 40, 90);
inline constexpr std::uint32_t kCheckBg = testsupport::Rgb(255, 255, 255);
inline constexpr std::uint32_t kCheckMark = testsupport::Rgb(255, 0, 0);
// Button images.
inline constexpr std::uint32_t kNormal = testsupport::Rgb(0, 0, 255);
inline constexpr std::uint32_t kHover = testsupport::Rgb(0, 255, 0);
inline constexpr std::uint32_t kPressed = testsupport::Rgb(255, 0, 0);
inline constexpr std::uint32_t kDisabled = testsupport::Rgb(128, 128, 128);

// Loads the fixture theme and writes the images once per process.
void EnsureFixtureTheme();

// A themed page for tests: a CBaseDlg from an in-memory template that paints a
// known pattern in DrawContent.
class TestPage : public CBaseDlg {
 public:
  TestPage() : CBaseDlg(0, nullptr) { SetBackgroundImage(nullptr); }
  // Creates the page as a visible pop-up of the given client size.
  bool CreatePage(int width, int height);
  // A rectangle DrawContent fills with a colour (none when empty).
  RECT patch{};
  std::uint32_t patchColor = 0;

 protected:
  void DrawContent(Gdiplus::Graphics& g) override;
  // No focus and so no activation: Wine waits up to 2 s for the (absent) window
  // manager when an activated top-level window goes away.
  BOOL OnInitDialog() override { return FALSE; }

 private:
  testsupport::DialogTemplate m_template{WS_POPUP, 10, 10};
};

// Dispatches queued messages.
inline void Pump() { fw::PumpPending(); }

}  // namespace ctl
