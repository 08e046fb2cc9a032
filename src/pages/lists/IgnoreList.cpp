#include "pages/lists/IgnoreList.h"

#include "engine/EngineDateTime.h"

using QVnsScanConfig::CScanConfig;

std::vector<IgnoreEntry> BuildIgnoreEntries(
    const CScanConfig& config, const std::function<std::wstring(std::uint32_t id)>& threatName) {
  std::vector<IgnoreEntry> entries;
  if (const auto* threats = config.IgnoredThreats.Get()) {
    for (const auto& t : threats->IgnoredThreat) {
      const std::uint32_t id = t.Id.Get();
      entries.push_back(IgnoreEntry{threatName ? threatName(id) : std::wstring(), id, true});
    }
  }
  if (const auto* apps = config.KnownApps.Get()) {
    for (const auto& a : apps->KnownApp) entries.push_back(IgnoreEntry{a.FilePath.Get(), 0, false});
  }
  return entries;
}

bool SamePathIgnoringCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  if (a.empty()) return true;
  return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool HasKnownApp(const CScanConfig& config, std::wstring_view path) {
  if (const auto* apps = config.KnownApps.Get()) {
    for (const auto& a : apps->KnownApp)
      if (SamePathIgnoringCase(a.FilePath.Get(), path)) return true;
  }
  return false;
}

bool IsPathListed(const std::vector<IgnoreEntry>& entries, std::wstring_view path) {
  for (const IgnoreEntry& e : entries)
    if (!e.isThreat && SamePathIgnoringCase(e.text, path)) return true;
  return false;
}

void AppendKnownApp(CScanConfig& config, const std::wstring& path, KnownAppPathType type,
                    const std::wstring& dateTimeAdded) {
  auto& app = config.KnownApps.Create().KnownApp.Append();
  app.KnownTypeEnum.Set(1);
  app.Signature.Set(L"");
  app.FilePath.Set(path);
  app.FilePathType.Set(type);
  app.Dirty.Set(false);
  app.Source.Set(1);
  app.DateTimeAdded.Set(dateTimeAdded);
}

bool RemoveIgnoreEntry(CScanConfig& config, const IgnoreEntry& entry) {
  if (entry.isThreat) {
    auto* threats = config.IgnoredThreats.Get();
    if (!threats) return false;
    for (size_t i = 0; i < threats->IgnoredThreat.Count(); ++i) {
      if (threats->IgnoredThreat[i].Id.Get() != entry.id) continue;
      threats->IgnoredThreat.Remove(i);
      threats->IsDirty.Set(true);
      return true;
    }
    return false;
  }
  auto* apps = config.KnownApps.Get();
  if (!apps) return false;
  for (size_t i = 0; i < apps->KnownApp.Count(); ++i) {
    if (apps->KnownApp[i].FilePath.Get() != entry.text) continue;
    apps->KnownApp.Remove(i);
    return true;
  }
  return false;
}

std::wstring LocalDateTimeText() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return FormatEngineDateTime(now);
}
