#pragma once
// The engine's results file: the results document of the current or last scan
// (and of the cleaning that follows it), which the client reads itself from the
// path the engine names. Neither function raises.

#include <windows.h>

#include <string>

#include "engine/EngineSession.h"
#include "engine/documents/ScanResults.h"

// The path the engine names (IQVScanControl::GetScanResultsFile). Result: the
// engine's failure code (E_POINTER without an engine) or S_OK.
HRESULT GetScanResultsPath(std::wstring& path, CEngineSession& session = Engine());

// Reads the engine's results file into `results`. Result: the engine's failure
// code; E_FAIL when the file cannot be read as a results document (any
// non-zero read code); S_OK. On failure `results` is left untouched, so
// records that point into it stay valid. `path`, when given, receives the
// engine's path (empty when the engine did not name one).
HRESULT FetchScanResults(QVnsScanResults::CARDOThreatEngineResults& results,
                         std::wstring* path = nullptr, CEngineSession& session = Engine());
