#include "pages/scan/ScanPageModel.h"

namespace SC = QVnsScanConfig;

namespace {

constexpr uint32_t kCustomScanType = 2;
constexpr uint32_t kScanDetailIntervalMs = 100;

bool EqualNoCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

std::wstring LowerPath(std::wstring_view path) {
  std::wstring lower(path);
  if (!lower.empty()) CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
  return lower;
}

bool ContainsPathNoCase(const CustomPathList& list, std::wstring_view path) {
  for (const auto& entry : list)
    if (EqualNoCase(entry, path)) return true;
  return false;
}

AddPathResult AddCustomPath(CustomPathList& list, std::wstring_view path) {
  if (path.empty()) return AddPathResult::kEmpty;
  if (ContainsPathNoCase(list, path)) return AddPathResult::kDuplicate;
  list.push_back(LowerPath(path));
  return AddPathResult::kAdded;
}

bool RemoveCustomPathAt(CustomPathList& list, int row) {
  if (row < 0 || static_cast<size_t>(row) >= list.size()) return false;
  const std::wstring entry = list[static_cast<size_t>(row)];
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (EqualNoCase(*it, entry)) {
      list.erase(it);
      break;
    }
  }
  return true;
}

std::optional<LONG> ScanTypeForStart(bool fullChosen, bool customChosen, size_t folderCount) {
  if (fullChosen) return 1;
  if (customChosen) {
    if (folderCount == 0) return std::nullopt;
    return 2;
  }
  return 0;
}

void ApplyScanStartConfig(SC::CScanConfig& config, const CustomPathList* folders) {
  config.ShowUserScanResultsManual.Set(true);
  config.CheckForUpdatesBeforeScan.Set(true);
  config.ScanDetailCBIntervalMS.Set(kScanDetailIntervalMs);
  if (!folders) return;
  bool found = false;
  if (SC::CScanSettings* settings = config.ScanSettings.Get()) {
    for (SC::CScanSetting& setting : settings->ScanSetting) {
      if (setting.ScanType.Get() != kCustomScanType) continue;
      found = true;
      SC::CPathsToScan& paths = setting.PathsToScan.Create();
      paths.Paths.Clear();
      for (const auto& folder : *folders) paths.Paths.Append().Path.Set(folder);
    }
  }
  if (found || folders->empty()) return;
  // Without a custom scan setting the engine would scan no folder at all.
  SC::CScanSetting& setting = config.ScanSettings.Create().ScanSetting.Append();
  setting.ScanType.Set(kCustomScanType);
  SC::CPathsToScan& paths = setting.PathsToScan.Create();
  for (const auto& folder : *folders) paths.Paths.Append().Path.Set(folder);
}

LoadedCustomPaths TakeCustomPaths(SC::CScanConfig& config,
                                  const std::function<bool(const std::wstring&)>& exists) {
  LoadedCustomPaths out;
  SC::CScanSettings* settings = config.ScanSettings.Get();
  if (!settings) return out;
  for (SC::CScanSetting& setting : settings->ScanSetting) {
    if (setting.ScanType.Get() != kCustomScanType) continue;
    auto& paths = setting.PathsToScan.Create().Paths;
    for (size_t i = 0; i < paths.Count();) {
      const std::wstring& path = paths[i].Path.Get();
      if (exists(path)) {
        AddCustomPath(out.folders, path);
        ++i;
        continue;
      }
      // Gone since it was added: drop it and walk the list again.
      paths.Remove(i);
      out.removedAny = true;
      out.folders.clear();
      i = 0;
    }
    break;
  }
  return out;
}

ScanPageLayout ComputeScanPageLayout(int W, int H, int h, SIZE start) {
  const int a = (W - 120) / 2;
  ScanPageLayout l{};
  l.quick = RECT{40, 90, 40 + a, 90 + h};
  l.full = RECT{a + 80, 90, a + 80 + a, 90 + h};
  l.quickLabel = RECT{60, h + 97, 60 + a, h + 97 + 60};
  l.fullLabel = RECT{a + 100, h + 97, a + 100 + a, h + 97 + 60};
  l.custom = RECT{40, h + 164, 40 + a, h + 164 + h};
  l.customLabel = RECT{60, 2 * h + 171, 60 + a, 2 * h + 171 + 30};
  l.list = RECT{60, 2 * h + 215, W - 60, 2 * h + 215 + (H - 2 * h - 315)};
  l.add = POINT{60, H - 86};
  l.start = POINT{W - start.cx - 7, H - start.cy - 7};
  return l;
}
