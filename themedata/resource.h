#pragma once
// Every numbered resource of the theme's resource library and every ID the
// program gives its menus, commands, dialogs and timers, named once. res.rc and
// the program both include this file; its numbers are fixed (other themes and
// the theme document refer to them), so never renumber an entry.
//
// Plain #defines: the resource compiler reads this file too.

// ---------------------------------------------------------------------------
// Icons.
#define IDI_APP 128

// ---------------------------------------------------------------------------
// Menus and their commands.
#define IDR_TRAY_MENU 324
#define ID_TRAY_OPEN 32779  // the default (double-click) item
#define ID_TRAY_STATUS 32773
#define ID_TRAY_QUICK_SCAN 32774
#define ID_TRAY_FULL_SCAN 32771
#define ID_TRAY_UPDATE 32775
#define ID_TRAY_EXIT 32776
// The main frame's buttons beside the tabs.
#define ID_FRAME_ABOUT 57664
#define ID_FRAME_HELP 57670

// ---------------------------------------------------------------------------
// Dialog templates: pages and pop-ups.
#define IDD_ABOUT 100
#define IDD_SCAN 310
#define IDD_SCANNING 311
#define IDD_RESULTS 312
#define IDD_CLEANING 313
#define IDD_FINISHED 314
#define IDD_CLEAN_DROPDOWN 319
#define IDD_CLOSE 322
#define IDD_OVERVIEW 323
#define IDD_SETTINGS 327
#define IDD_QUARANTINE 328
#define IDD_IGNORE 329

// ---------------------------------------------------------------------------
// Timers, by the window that runs them.
// Main frame: engine reconnection (also started by the service sink and the
// scan flow when the engine goes away), deferred close question, gathering of
// context-menu scan requests.
#define IDT_RECONNECT 100
#define IDT_CLOSE_DIALOG 101
#define IDT_CONTEXT_SCAN 102
// Controls: the round progress control's glow, the animation control's frames.
#define IDT_GLOW 100
#define IDT_ANIMATION 400
// Scan flow pages: the scanning page's watchdog, the cleaning page's state
// check, the finished page's deferred restart and the engine probe that the
// scanning and cleaning pages run while they follow the engine.
#define IDT_SCAN_WATCHDOG 1026
#define IDT_CLEANING_CHECK 1026
#define IDT_RESTART 100
#define IDT_ENGINE_WATCH 1030
