// Small application functions used across the program.
#pragma once

#include <windows.h>

#include <ctime>
#include <string>

// "%H:%M:%S %d-%m-%Y" of the time broken down as UTC; empty when it cannot be formatted.
std::wstring FormatTimeUtc(std::time_t time);
// The same format in local time.
std::wstring FormatTimeLocal(std::time_t time);

// The ExitWindowsEx flags for a restart on the given system version: a plain
// reboot on version 5.1, a reboot that also ends hung programs elsewhere.
UINT RestartFlagsForVersion(DWORD major, DWORD minor);
// Planned, software, security fix.
inline constexpr DWORD kRestartReason = 0x80030013;

// Restarts the computer with the shutdown privilege enabled for the call.
// ExitWindowsEx is reached through the application's seam (AppExitWindows).
bool RestartComputer();
