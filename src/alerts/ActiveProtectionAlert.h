#pragma once
// Turns an active-protection event into a balloon of the tray icon, chosen by
// the user's response setting. Nothing goes back to the engine.
#include <functional>
#include <optional>
#include <string>

#include "alerts/AlertRules.h"

class CTrayIcon;

namespace alerts {

// The EventTypeEnum of an APEvent document text, as far as it could be read
// (the default when the read failed before it).
int ReadEventType(const std::wstring& eventText);
// KnownBadApplicationResponseEnum of the engine's APConfig; nullopt when it cannot be read.
std::optional<int> ReadKnownBadResponse();

// The balloon an event calls for: only event type 2, with a response of 5, 3 or 1.
// The response is read only when the event type asks for it.
std::optional<BalloonChoice> ChooseAlert(const std::wstring& eventText,
                                         const std::function<std::optional<int>()>& readResponse);

}  // namespace alerts

// Shows the balloon the event calls for; returns its kind, or nullopt when none was shown.
std::optional<int> ShowActiveProtectionAlert(const std::wstring& eventText, CTrayIcon& tray);
