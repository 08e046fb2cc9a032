// Quarantine: deleting, restoring and purging quarantined items.

#include "EngineParts.h"

#include "Vault.h"

namespace rre {
namespace {

std::wstring AttrValue(const QF::CoriginalAttributes* a, const wchar_t* n) {
  if (a)
    for (const auto& x : a->attr)
      if (x.n.Get() == n) return x.v.Get();
  return {};
}

std::wstring AttrValue(const QF::CquarantineAttributes* a, const wchar_t* n) {
  if (a)
    for (const auto& x : a->attr)
      if (x.n.Get() == n) return x.v.Get();
  return {};
}

std::wstring FileName(const std::wstring& path) {
  size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

}  // namespace

HRESULT Engine::DeleteItem(const std::wstring& rawId) {
  std::wstring id = Lower(rawId);
  if (!IsQuarantineId(id)) return E_INVALIDARG;
  std::lock_guard lock(m_fileMu);
  std::wstring recordPath = QuarantineFolder() + id + L".xml";
  QF::CARDOQuarantineRecordXML rec;
  if (GetFileAttributesW(recordPath.c_str()) == INVALID_FILE_ATTRIBUTES)
    return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
  if (rec.ReadFromFile(recordPath) == 0)
    if (const auto* fixes = rec.fixes.Get())
      for (const auto& f : fixes->fix) {
        std::wstring storage = AttrValue(f.quarantineAttributes.Get(), L"storage");
        if (!storage.empty() && storage.find_first_of(L"\\/:") == std::wstring::npos)
          DeleteFileW((QuarantineFolder() + L"Data\\" + storage).c_str());
      }
  if (!DeleteFileW(recordPath.c_str())) return HRESULT_FROM_WIN32(GetLastError());
  return S_OK;
}

HRESULT Engine::RestoreItem(const std::wstring& rawId, const std::wstring& target, bool trust) {
  std::wstring id = Lower(rawId);
  if (!IsQuarantineId(id)) return E_INVALIDARG;
  std::vector<std::wstring> restored;
  {
    std::lock_guard lock(m_fileMu);
    std::wstring recordPath = QuarantineFolder() + id + L".xml";
    if (GetFileAttributesW(recordPath.c_str()) == INVALID_FILE_ATTRIBUTES)
      return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    QF::CARDOQuarantineRecordXML rec;
    if (rec.ReadFromFile(recordPath) != 0 || !rec.fixes.Get())
      return HRESULT_FROM_WIN32(ERROR_FILE_CORRUPT);
    std::vector<std::wstring> dataFiles;
    for (const auto& f : rec.fixes->fix) {
      std::wstring storage = AttrValue(f.quarantineAttributes.Get(), L"storage");
      std::wstring original = f.dispValue.Get();
      if (storage.empty() || storage.find_first_of(L"\\/:") != std::wstring::npos ||
          original.empty()) {
        for (const auto& r : restored) DeleteFileW(r.c_str());
        return HRESULT_FROM_WIN32(ERROR_FILE_CORRUPT);
      }
      std::wstring to = target.empty() ? original : WithSlash(target) + FileName(original);
      std::string raw;
      Digest hash{};
      bool haveHash = FromHex(ToBytes(AttrValue(f.originalAttributes.Get(), L"sha256")), raw) &&
                      raw.size() == 32;
      if (haveHash) std::copy(raw.begin(), raw.end(), hash.begin());
      uint32_t err = 0;
      std::wstring data = QuarantineFolder() + L"Data\\" + storage;
      if (!VaultRestore(data, to, haveHash ? &hash : nullptr, err)) {
        for (const auto& r : restored) DeleteFileW(r.c_str());
        return HRESULT_FROM_WIN32(err);
      }
      restored.push_back(to);
      dataFiles.push_back(data);
    }
    for (const auto& d : dataFiles) DeleteFileW(d.c_str());
    DeleteFileW(recordPath.c_str());
  }
  if (trust) {
    // Trusted: the restored files are left alone by later scans.
    std::lock_guard lock(m_mu);
    auto& apps = m_scanConfig.KnownApps.Create();
    for (const auto& r : restored) {
      auto& a = apps.KnownApp.Append();
      a.KnownTypeEnum.Set(1);
      a.Signature.Set(L"");
      a.FilePath.Set(r);
      a.FilePathType.Set(2);
      a.Dirty.Set(false);
      a.Source.Set(2);
      a.DateTimeAdded.Set(NowLocalText());
    }
    StoreDoc(L"ScanConfig.xml", m_scanConfig);
  }
  return S_OK;
}

void Engine::PurgeQuarantine() {
  uint32_t days;
  {
    std::lock_guard lock(m_mu);
    days = m_scanConfig.DaysToKeepQuarantinedItems.Get();
  }
  if (!days) return;
  uint64_t limit = uint64_t(days) * 86400 * kTicksPerSecond, now = NowUtcTicks();
  std::vector<std::wstring> old;
  WIN32_FIND_DATAW fd;
  HANDLE f = FindFirstFileW((QuarantineFolder() + L"*.xml").c_str(), &fd);
  if (f == INVALID_HANDLE_VALUE) return;
  do {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    std::wstring name = fd.cFileName;
    std::wstring id = name.substr(0, name.size() - 4);
    if (!IsQuarantineId(id)) continue;
    QF::CARDOQuarantineRecordXML rec;
    SYSTEMTIME st;
    if (rec.ReadFromFile(QuarantineFolder() + name) == 0 &&
        ParseEngineTime(rec.dateTimeStampUTC.Get(), st) && now > Ticks(st) &&
        now - Ticks(st) > limit)
      old.push_back(id);
  } while (FindNextFileW(f, &fd));
  FindClose(f);
  for (const auto& id : old) DeleteItem(id);
}

}  // namespace rre
