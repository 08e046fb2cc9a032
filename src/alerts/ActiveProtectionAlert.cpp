#include "alerts/ActiveProtectionAlert.h"

#include "app/TrayIcon.h"
#include "engine/EngineDocuments.h"
#include "engine/documents/APConfig.h"
#include "engine/documents/APEvent.h"
#include "theme/ThemeResources.h"

namespace alerts {

int ReadEventType(const std::wstring& eventText) {
  // A read that fails keeps what it read up to the failure: the alert goes on
  // with that (an event type not reached keeps its default, which alerts nothing).
  QVnsAPEvent::CAPEvent event;
  event.ReadFromMemory(eventText.data(), eventText.size() * sizeof(wchar_t));
  return static_cast<int>(event.EventTypeEnum.Get());
}

std::optional<int> ReadKnownBadResponse() {
  QVnsAPConfig::CAPConfig config;
  if (FAILED(FetchDocument(config, EngineDocuments::kAPConfig))) return std::nullopt;
  return static_cast<int>(config.KnownBadApplicationResponseEnum.Get());
}

std::optional<BalloonChoice> ChooseAlert(const std::wstring& eventText,
                                         const std::function<std::optional<int>()>& readResponse) {
  if (ReadEventType(eventText) != kEventTypeKnownBadBlocked) return std::nullopt;
  const auto response = readResponse();
  if (!response) return std::nullopt;
  return BalloonForResponse(*response);
}

}  // namespace alerts

std::optional<int> ShowActiveProtectionAlert(const std::wstring& eventText, CTrayIcon& tray) {
  const auto choice = alerts::ChooseAlert(eventText, &alerts::ReadKnownBadResponse);
  if (!choice) return std::nullopt;
  CThemeResources& t = Theme();
  tray.ShowBalloon(t.LoadResString(choice->textId).c_str(),
                   t.LoadResString(choice->titleId).c_str());
  return choice->kind;
}
