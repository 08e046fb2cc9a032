// Shared helpers of the settings tests: schedules written as one line of text,
// draws for a wanted start-time offset, the machine key values the page reads.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/documents/ScanConfig.h"

namespace settings_test {

// "id=0 'quick scan' type=0 03:00 days=1111111 on nocache" (days Sunday first).
std::wstring Describe(const QVnsScanConfig::CScanSchedule& s);
// Every schedule of the document, in order.
std::vector<std::wstring> DescribeSchedules(const QVnsScanConfig::CScanConfig& config);
// The same from the document's text (one line "unreadable" when it does not parse).
std::vector<std::wstring> DescribeSchedules(const std::wstring& scanConfigText);

// The smallest draw (0..32767) that spreads a start time by `offset` minutes
// (-30..30): floor(draw / 32767 * 60) - 30 == offset.
int DrawForOffset(int offset);

// Printable form of a wide text for failure messages.
std::string Narrow(const std::wstring& text);

// The page's machine key values (quickScanTime, fullScanTime, fullScanDay,
// AutoActiveProtection) under the shipped theme's machine key: saved when made,
// put back as they were when destroyed.
class MachineValues {
 public:
  MachineValues();
  ~MachineValues();
  MachineValues(const MachineValues&) = delete;
  MachineValues& operator=(const MachineValues&) = delete;

  // Writes the value, or deletes it when nullopt.
  void SetText(const wchar_t* name, const std::optional<std::wstring>& text);
  void SetDword(const wchar_t* name, std::optional<DWORD> value);
  // The installer's schedule values in one go.
  void SetSchedule(const std::optional<std::wstring>& quick, const std::optional<std::wstring>& full,
                   std::optional<DWORD> day);

 private:
  struct Saved {
    std::wstring name;
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> data;
  };
  std::wstring m_path;
  bool m_keyExisted = false;
  std::vector<Saved> m_saved;
};

}  // namespace settings_test
