#include "engine/ThreatInfo.h"

EngineThreatInfo QueryThreatInfo(LONG threatId, CEngineSession& session) {
  auto definitions = Checked(session.ThreatDefinitions());
  unsigned char known = 0;
  EngineString t[8];
  unsigned char f[4] = {};
  LONG value = 0;
  CheckEngine(definitions->GetThreatInfo(threatId, &known, t[0].Out(), t[1].Out(), t[2].Out(),
                                         t[3].Out(), t[4].Out(), t[5].Out(), t[6].Out(), t[7].Out(),
                                         &f[0], &f[1], &f[2], &f[3], &value),
              definitions);
  EngineThreatInfo info;
  info.known = known != 0;
  for (int i = 0; i < 8; ++i) info.texts[i] = t[i].Str();
  for (int i = 0; i < 4; ++i) {
    info.flags[i] = f[i] != 0;
    info.flagBytes[i] = f[i];
  }
  info.value = value;
  return info;
}
