// The survey report: one form POST to the maker's survey server after an
// installation or update, and before an uninstallation.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// Installer choices reported with the survey (machine key values).
struct SurveyChoices {
  bool desktop = false;
  bool login = false;
  bool quick = false;
  bool updates = false;
  bool autoScan = false;
};

class CSurveyReport {
 public:
  std::wstring company;
  std::wstring application;
  int productId = 0;
  std::wstring vendorId;
  std::wstring campaignId;
  std::wstring languageId;
  std::wstring version;
  std::wstring installDate;
  std::wstring licenseKey;
  std::wstring sessionId;  // sent as KORAL_SID only when not empty

  // The survey server ("host" or "host:port"); nothing is sent while empty.
  std::wstring server;

  // The form body for the action: every value URL-encoded, and at most
  // kMaxBodyBytes long, cut only between whole fields.
  std::string BuildBody(const std::wstring& action, const SurveyChoices& choices) const;
  // Reads the installer choices from the machine key and posts the form to
  // "index.php" on the server; true when the server answered 200.
  bool Send(const std::wstring& action) const;

  static constexpr size_t kMaxBodyBytes = 2048;
};

// "1" install, "2" uninstall, "3" update (the word compared without case).
std::wstring SurveyActionId(const std::wstring& action);
// The action for the switch: "uninstall" for ureport, else "update" when the
// machine value Silent is the REG_DWORD 1, else "install".
std::wstring ChooseSurveyAction(bool uninstall, const std::wstring& machineKeyPath);
// application/x-www-form-urlencoded bytes of a text in the system's ANSI code page.
std::string FormEncode(const std::wstring& text);
// "%Y-%m-%d %H:%M:%S" of a FILETIME in local time; empty when it cannot be converted.
std::wstring FormatInstallDate(const FILETIME& utc);
// Splits "host" or "host:port" (port 80 when absent or invalid).
std::pair<std::wstring, unsigned short> SplitServer(const std::wstring& server);

// Gathers the fields from the theme and the machine key and sends one report.
bool RunSurveyReport(bool uninstall);
