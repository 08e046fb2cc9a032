#include "telemetry/SurveyReport.h"

#include <wininet.h>

#include <cwchar>
#include <cwctype>
#include <memory>

#include "app/Settings.h"
#include "framework/Handles.h"
#include "framework/TextConvert.h"
#include "framework/Trace.h"
#include "theme/ThemeResources.h"

namespace {

const wchar_t* TrueFalse(bool value) { return value ? L"TRUE" : L"FALSE"; }

}  // namespace

std::string FormEncode(const std::wstring& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : ToBytes(text, CP_ACP)) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::wstring SurveyActionId(const std::wstring& action) {
  if (_wcsicmp(action.c_str(), L"uninstall") == 0) return L"2";
  if (_wcsicmp(action.c_str(), L"update") == 0) return L"3";
  return L"1";
}

std::wstring ChooseSurveyAction(bool uninstall, const std::wstring& machineKeyPath) {
  if (uninstall) return L"uninstall";
  settings::CMachineSettings machine(machineKeyPath);
  return machine.ReadDword(settings::kSilent, 0) == 1 ? L"update" : L"install";
}

std::wstring FormatInstallDate(const FILETIME& utc) {
  FILETIME local;
  SYSTEMTIME time;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &time)) return {};
  wchar_t buffer[64];
  std::swprintf(buffer, 64, L"%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth, time.wDay,
                time.wHour, time.wMinute, time.wSecond);
  return buffer;
}

std::pair<std::wstring, unsigned short> SplitServer(const std::wstring& server) {
  size_t colon = server.rfind(L':');
  if (colon == std::wstring::npos) return {server, 80};
  std::wstring digits = server.substr(colon + 1);
  wchar_t* end = nullptr;
  unsigned long port = std::wcstoul(digits.c_str(), &end, 10);
  if (digits.empty() || *end || port == 0 || port > 65535) return {server.substr(0, colon), 80};
  return {server.substr(0, colon), static_cast<unsigned short>(port)};
}

std::string CSurveyReport::BuildBody(const std::wstring& action,
                                     const SurveyChoices& choices) const {
  const std::pair<const char*, std::wstring> fields[] = {
      {"action", action},
      {"actionid", SurveyActionId(action)},
      {"PID", std::to_wstring(productId)},
      {"CPID", campaignId},
      {"VID", vendorId},
      {"LID", languageId},
      {"Version", version},
      {"LicenseKey", licenseKey},
      {"InstallDate", installDate},
      {"Desktop", TrueFalse(choices.desktop)},
      {"Login", TrueFalse(choices.login)},
      {"Quick", TrueFalse(choices.quick)},
      {"Updates", TrueFalse(choices.updates)},
      {"AutoScan", TrueFalse(choices.autoScan)},
      {"KORAL_SID", sessionId},
  };
  std::string body;
  for (const auto& [name, value] : fields) {
    if (std::string(name) == "KORAL_SID" && value.empty()) continue;
    std::string field;
    if (!body.empty()) field += '&';
    field += name;
    field += '=';
    field += FormEncode(value);
    // Whole fields only: a field that does not fit ends the body.
    if (body.size() + field.size() > kMaxBodyBytes) break;
    body += field;
  }
  return body;
}

bool CSurveyReport::Send(const std::wstring& action) const {
  settings::CMachineSettings machine(settings::MachineKeyPath(company, application));
  SurveyChoices choices;
  choices.autoScan = machine.Flag(settings::kAutoScan);
  choices.updates = machine.Flag(settings::kUpdates);
  choices.quick = machine.Flag(settings::kQuick);
  choices.login = machine.Flag(settings::kLogin);
  choices.desktop = machine.Flag(settings::kDesktop);
  std::string body = BuildBody(action, choices);

  auto [host, port] = SplitServer(server);
  if (host.empty()) return false;

  UniqueInternet session(InternetOpenW(L"SurveyRequest", INTERNET_OPEN_TYPE_PRECONFIG, nullptr,
                                       nullptr, INTERNET_FLAG_NO_CACHE_WRITE));
  if (!session) {
    TraceLastError(L"InternetOpenW");
    return false;
  }
  UniqueInternet connection(InternetConnectW(session.get(), host.c_str(), port, nullptr, nullptr,
                                             INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) {
    TraceLastError(L"InternetConnectW");
    return false;
  }
  // A redirect is an answer other than 200, not something to follow.
  const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_EXISTING_CONNECT |
                      INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION |
                      INTERNET_FLAG_NO_AUTO_REDIRECT;
  UniqueInternet request(HttpOpenRequestW(connection.get(), L"POST", L"index.php", nullptr, nullptr,
                                          nullptr, flags, 0));
  if (!request) {
    TraceLastError(L"HttpOpenRequestW");
    return false;
  }
  static const wchar_t kContentType[] = L"Content-Type:application/x-www-form-urlencoded";
  HttpAddRequestHeadersW(request.get(), kContentType, static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD);
  if (!HttpSendRequestW(request.get(), nullptr, 0, body.data(), static_cast<DWORD>(body.size()))) {
    TraceLastError(L"HttpSendRequestW");
    return false;
  }
  DWORD status = 0, size = sizeof(status);
  if (!HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                      &size, nullptr) ||
      status != 200)
    return false;
  // The answer is read to its end; its text is not used.
  std::wstring response;
  char piece[2048];
  DWORD read = 0;
  while (InternetReadFile(request.get(), piece, sizeof(piece), &read) && read > 0)
    response += ToWide(std::string_view(piece, read), CP_ACP);
  return true;
}

bool RunSurveyReport(bool uninstall) {
  CThemeResources& theme = Theme();
  CSurveyReport report;
  report.company = theme.GetString(L"company_name");
  report.application = theme.GetString(L"app_name");
  report.productId = theme.GetInteger(L"pid");
  report.vendorId = std::to_wstring(theme.GetInteger(L"vendor_id"));
  report.campaignId = std::to_wstring(theme.GetInteger(L"cpid"));
  report.languageId = theme.GetString(L"lang_id");
  report.version = theme.GetString(L"version");
  report.server = theme.GetString(L"survey_host");

  const std::wstring keyPath = settings::MachineKeyPath(report.company, report.application);
  {
    settings::CMachineSettings machine(keyPath);
    if (auto installed = machine.InstallTime()) report.installDate = FormatInstallDate(*installed);
    report.licenseKey = machine.ReadString(settings::kLicenseKey);
  }
  return report.Send(ChooseSurveyAction(uninstall, keyPath));
}
