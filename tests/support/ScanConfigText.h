// Scan configuration documents for tests of the pages that start scans.
#pragma once

#include <string>
#include <vector>

// A scan configuration with a custom setting holding the given folders.
inline std::wstring ScanConfigDoc(const std::vector<std::wstring>& folders) {
  std::wstring xml =
      L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><ScanConfig><ScanSettings>"
      L"<ScanSetting ScanType=\"0\"/><ScanSetting ScanType=\"1\"/><ScanSetting ScanType=\"2\">"
      L"<PathsToScan>";
  for (const auto& f : folders) xml += L"<Paths Path=\"" + f + L"\"/>";
  return xml + L"</PathsToScan></ScanSetting></ScanSettings></ScanConfig>";
}
