// Value names and defaults of the program's two registry keys: the per-user
// profile key (read and written through the application object's profile
// operations) and the machine key written by the installer hooks.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "framework/RegistryKey.h"

namespace settings {

// Profile key: HKEY_CURRENT_USER\Software\<company_name>\<application title>.
inline constexpr wchar_t kCommandLine[] = L"CommandLine";  // text, default empty
inline constexpr wchar_t kRunCount[] = L"RunCount";        // integer, default 0
inline constexpr wchar_t kInstallDate[] = L"INSTALLDATE";  // text, UTC
inline constexpr wchar_t kInstallDateLocal[] = L"INSTALLDATELOCAL";
inline constexpr wchar_t kLaunchOnStartup[] = L"LaunchOnStartup";  // 0/1
inline constexpr wchar_t kShowCloseDlg[] = L"ShowCloseDlg";
inline constexpr wchar_t kAlwaysRebootAfterClean[] = L"AlwaysRebootAfterClean";
inline constexpr wchar_t kScanCount[] = L"SCANCOUNT";
inline constexpr wchar_t kCleanCount[] = L"CLEANCOUNT";
inline constexpr wchar_t kFromSchedule[] = L"FROMSCHEDULE";
inline constexpr wchar_t kScanTime[] = L"SCANTIME";
inline constexpr wchar_t kXPos[] = L"XPos";
inline constexpr wchar_t kYPos[] = L"YPos";
inline constexpr wchar_t kWidth[] = L"Width";
inline constexpr wchar_t kHeight[] = L"Height";

inline constexpr int kDefaultRunCount = 0;
inline constexpr int kDefaultShowCloseDlg = 1;
inline constexpr int kDefaultAlwaysRebootAfterClean = 0;
// The finished page asks with this default whether AlwaysRebootAfterClean exists.
inline constexpr int kProbeAlwaysRebootAfterClean = 5;
inline constexpr int kDefaultScanCount = 0;
inline constexpr int kDefaultCleanCount = 0;
inline constexpr int kDefaultFromSchedule = 0;
inline constexpr int kDefaultWidth = 800;
inline constexpr int kDefaultHeight = 600;
// Centred for the default size (truncated); the window placement clamps
// negative positions to 0.
inline int DefaultXPos(int screenWidth) { return (screenWidth - kDefaultWidth) / 2; }
inline int DefaultYPos(int screenHeight) { return (screenHeight - kDefaultHeight) / 2; }

// Machine key: HKEY_LOCAL_MACHINE\Software\<company_name>\<app_name>.
inline constexpr wchar_t kInstallTime[] = L"InstallTime";  // REG_QWORD FILETIME (UTC)
inline constexpr wchar_t kAutoActiveProtection[] = L"AutoActiveProtection";  // REG_DWORD
inline constexpr wchar_t kQuickScanTime[] = L"quickScanTime";                // REG_SZ "HH:MM"
inline constexpr wchar_t kFullScanTime[] = L"fullScanTime";                  // REG_SZ "HH:MM"
inline constexpr wchar_t kFullScanDay[] = L"fullScanDay";                    // REG_DWORD 0-6
inline constexpr wchar_t kSilent[] = L"Silent";                              // REG_DWORD, installer
inline constexpr wchar_t kDesktop[] = L"Desktop";
inline constexpr wchar_t kLogin[] = L"Login";
inline constexpr wchar_t kQuick[] = L"Quick";
inline constexpr wchar_t kUpdates[] = L"Updates";
inline constexpr wchar_t kAutoScan[] = L"AutoScan";
// The product key the installer stored, sent with the survey report (REG_SZ).
inline constexpr wchar_t kLicenseKey[] = L"LicenseKey";

inline constexpr DWORD kDefaultAutoActiveProtection = 1;

// "Software\<company>\<app>"
std::wstring MachineKeyPath(const std::wstring& company, const std::wstring& app);
// The machine key path from the theme strings "company_name" and "app_name".
std::wstring MachineKeyPathFromTheme();

// Read-only access to the machine key. Each reader accepts only its own value
// type; an absent key, an absent value or another type gives the default.
class CMachineSettings {
 public:
  explicit CMachineSettings(const std::wstring& keyPath, HKEY root = HKEY_LOCAL_MACHINE);

  bool IsOpen() const { return m_key.IsOpen(); }
  DWORD ReadDword(const wchar_t* name, DWORD defaultValue) const;
  std::optional<DWORD> ReadDword(const wchar_t* name) const { return m_key.ReadDword(name); }
  std::optional<ULONGLONG> ReadQword(const wchar_t* name) const { return m_key.ReadQword(name); }
  std::wstring ReadString(const wchar_t* name, const std::wstring& defaultValue = {}) const;

  std::optional<FILETIME> InstallTime() const;
  bool AutoActiveProtection() const {
    return ReadDword(kAutoActiveProtection, kDefaultAutoActiveProtection) != 0;
  }
  // An installer choice: true for a non-zero REG_DWORD only.
  bool Flag(const wchar_t* name) const { return ReadDword(name, 0) != 0; }

 private:
  CRegistryKey m_key;
};

// The random default scan times written by the install hook.
struct DefaultScanTimes {
  std::wstring quickTime;  // "HH:MM"
  std::wstring fullTime;   // "HH:MM"
  DWORD fullDay = 0;       // 0-6
};
// From three rand() draws (0..32767 each).
DefaultScanTimes ComputeDefaultScanTimes(int r1, int r2, int r3);
// "HH:MM" of a time of day given in hours (0 <= hours < 24).
std::wstring FormatHoursMinutes(double hours);

}  // namespace settings
