#pragma once
// The scan page's rules without windows: the custom folder list, the scan type
// a start asks for, the scan configuration edits of a start and of a show, and
// the layout of the page's controls.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/documents/ScanConfig.h"

// The custom folders: lower case, no two equal without regard to case.
using CustomPathList = std::vector<std::wstring>;

// The path in lower case (the platform's case mapping).
std::wstring LowerPath(std::wstring_view path);
// Whether the list holds the path, letter case ignored.
bool ContainsPathNoCase(const CustomPathList& list, std::wstring_view path);

enum class AddPathResult { kAdded, kDuplicate, kEmpty };
// Appends the path in lower case unless it is empty or already listed.
AddPathResult AddCustomPath(CustomPathList& list, std::wstring_view path);
// Removes the first entry equal (case ignored) to the entry at `row`; false
// when the row is out of range.
bool RemoveCustomPathAt(CustomPathList& list, int row);

// The scan type a start asks for: 1 when full is chosen; 2 when custom is
// chosen and folders are listed; nothing (text 256, no scan) when custom is
// chosen with no folder; otherwise 0.
std::optional<LONG> ScanTypeForStart(bool fullChosen, bool customChosen, size_t folderCount);

// The edit every scan start makes: ShowUserScanResultsManual and
// CheckForUpdatesBeforeScan true, ScanDetailCBIntervalMS 100, and the paths to
// scan of every custom scan setting (ScanType 2) replaced by the list. A
// document with no custom setting gets one when there are folders to keep.
// Null folders leave the stored folders as they are.
void ApplyScanStartConfig(QVnsScanConfig::CScanConfig& config, const CustomPathList* folders);

// The custom folders of the first custom scan setting. Folders that no longer
// exist (exists() false) are removed from the document; the result says
// whether any was removed (the document is to be stored).
struct LoadedCustomPaths {
  CustomPathList folders;
  bool removedAny = false;
};
LoadedCustomPaths TakeCustomPaths(QVnsScanConfig::CScanConfig& config,
                                  const std::function<bool(const std::wstring&)>& exists);

// Control rectangles for a client area of W x H; h is the quick option's height.
struct ScanPageLayout {
  RECT quick, full, quickLabel, fullLabel, custom, customLabel, list;
  POINT add;    // top-left (the button keeps its size)
  POINT start;  // top-left (the button keeps its size)
};
ScanPageLayout ComputeScanPageLayout(int W, int H, int h, SIZE startButton);
