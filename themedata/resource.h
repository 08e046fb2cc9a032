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
// check, the finished page's deferred restart, the engine probe that the
// scanning and cleaning pages run while they follow the engine, and the
// scanning page's paced repaint of what scan events changed.
#define IDT_SCAN_WATCHDOG 1026
#define IDT_CLEANING_CHECK 1026
#define IDT_RESTART 100
#define IDT_ENGINE_WATCH 1030
#define IDT_SCAN_REPAINT 1031

// ---------------------------------------------------------------------------
// Controls, by the dialog that holds them. One number may serve in several
// dialogs; each control has a name of its own.
// About page.
#define IDC_ABOUT_PRODUCT 1070
#define IDC_ABOUT_VERSION 1071
#define IDC_ABOUT_DESCRIPTION 1072
#define IDC_ABOUT_WEB_SITE 1073
#define IDC_ABOUT_SUPPORT 1074
#define IDC_ABOUT_CHECK_UPDATES 1076
#define IDC_ABOUT_COPYRIGHT 1075

// Scan page (the folder list is created by the page).
#define IDC_SCAN_QUICK 1058
#define IDC_SCAN_FULL 1059
#define IDC_SCAN_QUICK_TEXT 1054
#define IDC_SCAN_FULL_TEXT 1055
#define IDC_SCAN_CUSTOM 1060
#define IDC_SCAN_CUSTOM_TEXT 1053
#define IDC_SCAN_ADD_FOLDER 1029
#define IDC_SCAN_START 1000
#define IDC_SCAN_FOLDER_LIST 1030

// Scanning page (the animation is created by the page).
#define IDC_SCANNING_TITLE 1006
#define IDC_SCANNING_STATUS 1007
#define IDC_SCANNING_OBJECT 1008
#define IDC_SCANNING_COUNT_CAPTION 1009
#define IDC_SCANNING_COUNT 1010
#define IDC_SCANNING_COUNT_TRAILER 1011
#define IDC_SCANNING_PROGRESS_CAPTION 1021
#define IDC_SCANNING_PROGRESS 1001
#define IDC_SCANNING_STOP 1004
#define IDC_SCANNING_PAUSE 1014
#define IDC_SCANNING_RESUME 1015
#define IDC_SCANNING_ANIMATION 101

// Results page.
#define IDC_RESULTS_SUMMARY 1023
#define IDC_RESULTS_CLEAN_TOP 1022
#define IDC_RESULTS_CLOSE 1004
#define IDC_RESULTS_CLEAN_BOTTOM 1003

// Cleaning page.
#define IDC_CLEANING_LABEL 1023
#define IDC_CLEANING_PROGRESS 1001
#define IDC_CLEANING_STOP 1004

// Finished page.
#define IDC_FINISHED_HEADLINE 1023
#define IDC_FINISHED_CAPTIONS 1025
#define IDC_FINISHED_NUMBERS 1016
#define IDC_FINISHED_CLOSE 1018

// Action drop-down of the threat list: option n is 1 << (action code + 1); the engine's
// advice is 1.
#define IDC_OPTION_ADVICE 1
#define IDC_OPTION_DELETE 4
#define IDC_OPTION_REPAIR 8
#define IDC_OPTION_QUARANTINE 16
#define IDC_OPTION_REPORT_ONLY 32
#define IDC_OPTION_ALWAYS_IGNORE 64
#define IDC_OPTION_ALLOW_ONCE 128

// Close-to-tray question (beside IDOK and IDCANCEL).
#define IDC_CLOSE_DONT_SHOW 1027

// Settings page.
#define IDC_SETTINGS_RESPONSE 1028
#define IDC_SETTINGS_RESTORE_PROTECTION 1029
#define IDC_SETTINGS_RETENTION 1030
#define IDC_SETTINGS_QUARANTINE_TITLE 1031
#define IDC_SETTINGS_QUARANTINE_TEXT 1032
#define IDC_SETTINGS_RESPONSE_CAPTION 1033
#define IDC_SETTINGS_QUICK_CHECK 1034
#define IDC_SETTINGS_FULL_CHECK 1035
#define IDC_SETTINGS_QUICK_FREQUENCY_CAPTION 1036
#define IDC_SETTINGS_FULL_FREQUENCY_CAPTION 1037
#define IDC_SETTINGS_QUICK_FREQUENCY 1038
#define IDC_SETTINGS_FULL_FREQUENCY 1039
#define IDC_SETTINGS_QUICK_WEEKDAY_CAPTION 1040
#define IDC_SETTINGS_FULL_WEEKDAY_CAPTION 1041
#define IDC_SETTINGS_QUICK_HOUR_CAPTION 1042
#define IDC_SETTINGS_FULL_HOUR_CAPTION 1043
#define IDC_SETTINGS_QUICK_WEEKDAY 1044
#define IDC_SETTINGS_FULL_WEEKDAY 1045
#define IDC_SETTINGS_QUICK_HOUR 1046
#define IDC_SETTINGS_FULL_HOUR 1047
#define IDC_SETTINGS_APPLY 1048
#define IDC_SETTINGS_RESTORE_SCHEDULES 1049
#define IDC_SETTINGS_SCHEDULE_NOTE 1050

// Quarantine page.
#define IDC_QUARANTINE_COUNT 1010
#define IDC_QUARANTINE_CAPTION 1062
#define IDC_QUARANTINE_EXPLANATION 1063
#define IDC_QUARANTINE_RESTORE 1029
#define IDC_QUARANTINE_DELETE 1028

// Ignore list page (the list is created by the page).
#define IDC_IGNORE_EXPLANATION 1023
#define IDC_IGNORE_ADD_FILE 1064
#define IDC_IGNORE_ADD_FOLDER 1065
#define IDC_IGNORE_LIST 1066

// Created by the program: the overview page's two buttons, the threat list (its
// row container and its select-all box).
#define IDC_OVERVIEW_CUSTOM_SCAN 2094
#define IDC_OVERVIEW_START_SCAN 2095
#define IDC_THREAT_LIST 100
#define IDC_THREAT_ROWS 101
#define IDC_THREAT_SELECT_ALL 1020

// ---------------------------------------------------------------------------
// Strings of the string table, in the order res.rc lists them. Runs that the
// code counts through (first + n) are marked; keep them contiguous.
// Start-up, logon task, single instance and title.
#define IDS_PRODUCT_NAME 128
#define IDS_TASK_NAME 174
#define IDS_TASK_COMMENT 175
#define IDS_ENGINE_UNAVAILABLE 196
#define IDS_APP_TITLE 57344

// Close-to-tray question.
#define IDS_CLOSE_TITLE 170  // run of 4: the close question's two headings and texts
#define IDS_CLOSE_TEXT 171
#define IDS_CLOSE_TRAY_TITLE 172
#define IDS_CLOSE_TRAY_TEXT 173

// Settings page.
#define IDS_SETTINGS_SUBTITLE 176
#define IDS_SETTINGS_TITLE 177
#define IDS_SETTINGS_PROTECTION_BOX 178
#define IDS_SETTINGS_SCHEDULE_BOX 179
#define IDS_SETTINGS_CONFIRM_RESTORE 258
#define IDS_SUNDAY 259  // run of 7 weekdays
#define IDS_MONDAY 260
#define IDS_TUESDAY 261
#define IDS_WEDNESDAY 262
#define IDS_THURSDAY 263
#define IDS_FRIDAY 264
#define IDS_SATURDAY 265
#define IDS_DAILY 266  // run of 2 frequencies
#define IDS_WEEKLY 267
#define IDS_RESPONSE_LOG 268  // run of 4 responses
#define IDS_RESPONSE_ALERT 269
#define IDS_RESPONSE_BLOCK 270
#define IDS_RESPONSE_QUARANTINE 271

// Scans asked for from Explorer's "Scan with".
#define IDS_CONTEXT_SCAN_RUNNING 280
#define IDS_CONTEXT_ITEMS_NOT_FOUND 281

// Scanning and results.
#define IDS_THREATS_BANNER 155  // "%d threats ... %d items"; the _ONE_ forms follow
#define IDS_THREATS_BANNER_ONE_THREAT 156
#define IDS_THREATS_BANNER_ONE_ITEM 157
#define IDS_THREATS_BANNER_ONE_EACH 158
#define IDS_RESULTS_SUMMARY 167
#define IDS_RESULTS_SUMMARY_ONE_THREAT 159
#define IDS_RESULTS_SUMMARY_ONE_ITEM 160
#define IDS_RESULTS_SUMMARY_ONE_EACH 161
#define IDS_STOP_SCAN_QUESTION 180
#define IDS_SCAN_FAILED 248
#define IDS_SCAN_PREPARING 249
#define IDS_SCAN_UPDATING 250
#define IDS_SCAN_DOWNLOADING 251
#define IDS_SCAN_INSTALLING 252
#define IDS_SCAN_SCANNING 253
#define IDS_SCAN_PAUSED 254
#define IDS_COLUMN_QUARANTINED_ON 234  // column 3 in check-box mode
#define IDS_COLUMN_THREAT 235          // run of 5 column titles
#define IDS_COLUMN_CATEGORY 236
#define IDS_COLUMN_ITEMS 237
#define IDS_COLUMN_ACTION 238
#define IDS_COLUMN_DAMAGE 239
#define IDS_ADVICE_PREFIX 240
#define IDS_DESCRIPTION_PREFIX 241
#define IDS_TRACES_TITLE 242
#define IDS_CHOOSE_ACTION 243
#define IDS_HANDLED 257
#define IDS_ACTION_ADVICE 600  // action -1; run of 8: action code c is IDS_ACTION_NONE + c
#define IDS_ACTION_NONE 601
#define IDS_ACTION_DELETE 602
#define IDS_ACTION_REPAIR 603
#define IDS_ACTION_QUARANTINE 604
#define IDS_ACTION_REPORT_ONLY 605
#define IDS_ACTION_ALWAYS_IGNORE 606
#define IDS_ACTION_ALLOW_ONCE 607

// Cleaning and finished.
#define IDS_FINISHED_CLEANED 168
#define IDS_CLEANING_WAIT 169
#define IDS_STOP_CLEANING_QUESTION 181
#define IDS_RESTART_QUESTION 188
#define IDS_NOTHING_FOUND 201
#define IDS_CLEANING_TITLE 244
#define IDS_TITLE_NOTHING_FOUND 245
#define IDS_TITLE_CLEANED 246
#define IDS_TITLE_CLEANED_RESTART 247
#define IDS_ENGINE_STOPPED 292

// Quarantine page.
#define IDS_QUARANTINE_TITLE 184
#define IDS_QUARANTINE_SUBTITLE 185
#define IDS_QUARANTINE_RESTORE_QUESTION 198
#define IDS_QUARANTINE_DELETE_QUESTION 199
#define IDS_QUARANTINE_NONE_TICKED 200

// Active protection alerts.
#define IDS_BALLOON_TITLE 182
#define IDS_BALLOON_QUARANTINED 189
#define IDS_BALLOON_BLOCKED 190
#define IDS_BALLOON_DETECTED 191

// Scan page.
#define IDS_SCAN_TITLE 186
#define IDS_SCAN_SUBTITLE 187
#define IDS_SCAN_FOLDER_LISTED 197
#define IDS_FOLDER_BROWSER_TITLE 216
#define IDS_FOLDER_NAME_REFUSED 218
#define IDS_SCAN_NO_FOLDERS 255
#define IDS_SCAN_ADD_FOLDER_FIRST 256

// Overview page.
#define IDS_DEFINITIONS_UNKNOWN 195
#define IDS_LABEL_QUICK_SCAN 219
#define IDS_LABEL_FULL_SCAN 220
#define IDS_LABEL_DEFINITIONS 221
#define IDS_LABEL_INSTALLED 222
#define IDS_LABEL_LAST_SCAN 223
#define IDS_KIND_FULL 224
#define IDS_KIND_QUICK 225
#define IDS_KIND_CUSTOM 226
#define IDS_NO_LAST_SCAN 227
#define IDS_CLEAN_COUNT 228  // printf-style, one integer
#define IDS_CLEAN_COUNT_ONE 162
#define IDS_STATUS_NOT_SCANNED 229
#define IDS_STATUS_PROTECTED 230
#define IDS_STATUS_THREATS_FOUND 231
#define IDS_STATUS_LAST_SCAN_THREATS 232
#define IDS_NEVER 233

// Ignore list page.
#define IDS_IGNORE_SUBTITLE 202
#define IDS_IGNORE_TITLE 203
#define IDS_IGNORE_EXPLANATION 204
#define IDS_IGNORE_EMPTY 214
#define IDS_IGNORE_FILE_LISTED 215
#define IDS_IGNORE_FOLDER_LISTED 217
#define IDS_QUARANTINE_EMPTY 291
#define IDS_IGNORE_NOT_STORED 290

// Main frame.
#define IDS_TAB_OVERVIEW 205
#define IDS_TAB_SCAN 206
#define IDS_TAB_QUARANTINE 207
#define IDS_TAB_IGNORE 208
#define IDS_TAB_SETTINGS 209
#define IDS_ABOUT 210
#define IDS_HELP 211
#define IDS_END_SESSION_QUESTION 4006

#ifndef RC_INVOKED
// The runs the code counts through.
static_assert(IDS_CLOSE_TRAY_TEXT == IDS_CLOSE_TITLE + 3);
static_assert(IDS_SATURDAY == IDS_SUNDAY + 6);
static_assert(IDS_WEEKLY == IDS_DAILY + 1);
static_assert(IDS_RESPONSE_QUARANTINE == IDS_RESPONSE_LOG + 3);
static_assert(IDS_COLUMN_DAMAGE == IDS_COLUMN_THREAT + 4);
static_assert(IDS_ACTION_NONE == IDS_ACTION_ADVICE + 1 &&
              IDS_ACTION_ALLOW_ONCE == IDS_ACTION_NONE + 6);
static_assert(IDC_OPTION_DELETE == 1 << (1 + 1) && IDC_OPTION_ALLOW_ONCE == 1 << (6 + 1));
#endif
