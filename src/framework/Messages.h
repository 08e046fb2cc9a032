#pragma once
// The application's own window messages, named once for the whole program.
// Their numbers are fixed: other programs (a second instance of the client)
// and the engine's event sinks post them.

#include <windows.h>

namespace msg {

// A later start of the program handed its command line over (profile value CommandLine).
inline constexpr UINT kHandOver = WM_APP + 1;  // 32769
// The engine reported a scan state change; wParam is the state.
inline constexpr UINT kScanStarted = WM_USER + 18;  // 1042
// Active protection dealt with a threat; lParam is a heap copy of the APEvent text
// that the receiver owns and frees.
inline constexpr UINT kActiveProtectionEvent = WM_USER + 15;  // 1039
// Notification-area icon callback.
inline constexpr UINT kTrayCallback = WM_USER + 17;  // 1041
// The definitions update the scan controller waited for is over.
inline constexpr UINT kDefinitionsUpdated = WM_APP + 200;  // 32968
// To the scanning page: follow the scan that is already running.
inline constexpr UINT kFollowScan = WM_USER + 3;  // 1027
// To the settings page: the definitions changed.
inline constexpr UINT kSettingsDefinitionsChanged = WM_USER + 111;  // 1135
// To the scanning page: the scan ended; wParam 1 when it failed, else 0.
inline constexpr UINT kScanEnded = WM_USER + 1;  // 1025
// To the scanning page: switch to display mode wParam (3 download, 4 installing).
inline constexpr UINT kScanningMode = WM_USER + 4;  // 1028
// To the cleaning page: the cleaning ended.
inline constexpr UINT kCleaningEnded = WM_APP + 30;  // 32798

// Sent by CCustomList to its parent (WM_NOTIFY code) after a horizontal scroll.
inline constexpr int kCustomListHScroll = -101;

}  // namespace msg
