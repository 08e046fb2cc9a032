// GetThreatInfo with every output owned: the fifteen-argument call in one place.
#pragma once

#include <windows.h>

#include <string>

#include "engine/EngineSession.h"

struct EngineThreatInfo {
  bool known = false;     // the first output
  std::wstring texts[8];  // texts[0] advice, texts[1] description, texts[4] display name
  bool flags[4] = {};
  // The four one-byte outputs as the engine sent them: the third carries the
  // threat's level, which the scanning page reads.
  unsigned char flagBytes[4] = {};
  LONG value = 0;  // the advised action

  const std::wstring& Advice() const { return texts[0]; }
  const std::wstring& Description() const { return texts[1]; }
  const std::wstring& DisplayName() const { return texts[4]; }
};

// Raises EngineError when the engine is unavailable or the call fails.
EngineThreatInfo QueryThreatInfo(LONG threatId, CEngineSession& session = Engine());
