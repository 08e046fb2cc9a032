// Configuration documents: loaded from the data folder at start, handed to
// clients as UTF-16 text and stored back atomically.

#include "EngineParts.h"

namespace rre {
namespace {

bool ValidDocName(const std::wstring& name) {
  if (name.empty() || name.size() > 64 || name[0] == L'.') return false;
  for (wchar_t c : name)
    if (!(iswalnum(c) || c == L'_' || c == L'-' || c == L'.')) return false;
  return name.size() > 4 && Lower(name.substr(name.size() - 4)) == L".xml";
}

}  // namespace

void Engine::LoadConfiguration() {
  std::lock_guard lock(m_mu);
  if (!LoadDoc(L"ScanConfig.xml", m_scanConfig)) {
    auto& settings = m_scanConfig.ScanSettings.Create();
    for (uint32_t type : {0u, 1u, 2u}) {
      auto& s = settings.ScanSetting.Append();
      s.ScanType.Set(type);
      s.ARDO_OPT_SCAN_FILES.Set(true);
      s.ARDO_OPT_RECURSIVE_FILE_SCAN.Set(true);
    }
    m_scanConfig.ScanDetailCBIntervalMS.Set(kDefaultProgressMs);
    StoreDoc(L"ScanConfig.xml", m_scanConfig);
  }
  if (!LoadDoc(L"APConfig.xml", m_apConfig)) {
    m_apConfig.Enabled.Set(false);
    m_apConfig.KnownBadApplicationResponseEnum.Set(0);
    StoreDoc(L"APConfig.xml", m_apConfig);
  }
  if (!LoadDoc(L"ServiceConfig.xml", m_serviceConfig))
    StoreDoc(L"ServiceConfig.xml", m_serviceConfig);
  if (!LoadDoc(L"DefinitionUpdateConfig.xml", m_updateConfig)) {
    m_updateConfig.Enabled.Set(true);
    m_updateConfig.UpdateInterval.Set(4);
    StoreDoc(L"DefinitionUpdateConfig.xml", m_updateConfig);
  }
  QVnsNVPairs::CNVPairs pairs;
  if (!LoadDoc(L"config_file.xml", pairs)) {
    pairs.SchemaVersion.Set(L"4.0.0");
    StoreDoc(L"config_file.xml", pairs);
  }
  RefreshSchedules();
}

HRESULT Engine::GetDocument(Doc which, std::wstring& text) {
  std::lock_guard lock(m_mu);
  switch (which) {
    case kScanConfig:
      text = DocText(m_scanConfig);
      break;
    case kAPConfig:
      text = DocText(m_apConfig);
      break;
    case kServiceConfig:
      text = DocText(m_serviceConfig);
      break;
    case kUpdateConfig:
      text = DocText(m_updateConfig);
      break;
  }
  return text.empty() ? E_FAIL : S_OK;
}

HRESULT Engine::SetDocument(Doc which, const std::wstring& text) {
  // Parse first: a malformed document changes nothing.
  HRESULT hr = E_INVALIDARG;
  switch (which) {
    case kScanConfig: {
      SC::CScanConfig doc;
      if (doc.ReadFromString(text) != 0) return E_INVALIDARG;
      std::lock_guard lock(m_mu);
      if (SUCCEEDED(hr = StoreDoc(L"ScanConfig.xml", doc))) {
        m_scanConfig = std::move(doc);
        RefreshSchedules();
      }
      break;
    }
    case kAPConfig: {
      QVnsAPConfig::CAPConfig doc;
      if (doc.ReadFromString(text) != 0) return E_INVALIDARG;
      std::lock_guard lock(m_mu);
      if (SUCCEEDED(hr = StoreDoc(L"APConfig.xml", doc))) m_apConfig = std::move(doc);
      break;
    }
    case kServiceConfig: {
      QVnsServiceConfig::CServiceConfig doc;
      if (doc.ReadFromString(text) != 0) return E_INVALIDARG;
      std::lock_guard lock(m_mu);
      if (SUCCEEDED(hr = StoreDoc(L"ServiceConfig.xml", doc))) m_serviceConfig = std::move(doc);
      break;
    }
    case kUpdateConfig: {
      QVnsThreatDefinitionsConfig::CDefinitionUpdateConfig doc;
      if (doc.ReadFromString(text) != 0) return E_INVALIDARG;
      std::lock_guard lock(m_mu);
      if (SUCCEEDED(hr = StoreDoc(L"DefinitionUpdateConfig.xml", doc)))
        m_updateConfig = std::move(doc);
      break;
    }
  }
  if (SUCCEEDED(hr) && which == kAPConfig) ApplyProtectionSettings();
  if (SUCCEEDED(hr) && which == kScanConfig) PurgeQuarantine();
  return hr;
}

HRESULT Engine::GetNamedDocument(const std::wstring& name, std::wstring& text) {
  if (!ValidDocName(name)) return E_INVALIDARG;
  std::lock_guard lock(m_mu);
  QVnsNVPairs::CNVPairs pairs;
  std::wstring path = DocFile(name.c_str());
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  if (pairs.ReadFromFile(path) != 0) return E_FAIL;
  text = DocText(pairs);
  return text.empty() ? E_FAIL : S_OK;
}

HRESULT Engine::SetNamedDocument(const std::wstring& name, const std::wstring& text) {
  if (!ValidDocName(name)) return E_INVALIDARG;
  QVnsNVPairs::CNVPairs pairs;
  if (pairs.ReadFromString(text) != 0) return E_INVALIDARG;
  std::lock_guard lock(m_mu);
  return StoreDoc(name.c_str(), pairs);
}

}  // namespace rre
