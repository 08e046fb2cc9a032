#include "engine/ScanResultsFile.h"

#include "engine/EngineError.h"
#include "engine/EngineString.h"

HRESULT GetScanResultsPath(std::wstring& path, CEngineSession& session) {
  path.clear();
  try {
    auto control = session.ScanControl();
    if (!control) return E_POINTER;
    EngineString text;
    HRESULT hr = control->GetScanResultsFile(text.Out());
    if (FAILED(hr)) return hr;
    path = text.Str();
    return S_OK;
  } catch (const EngineError& e) {
    return e.Result();
  }
}

HRESULT FetchScanResults(QVnsScanResults::CARDOThreatEngineResults& results, std::wstring* path,
                         CEngineSession& session) {
  std::wstring file;
  HRESULT hr = GetScanResultsPath(file, session);
  if (path) *path = file;
  if (FAILED(hr)) return hr;
  // Read aside: a failed read must not empty a document that records point into.
  QVnsScanResults::CARDOThreatEngineResults read;
  if (file.empty() || read.ReadFromFile(file) != 0) return E_FAIL;
  results = std::move(read);
  return S_OK;
}
