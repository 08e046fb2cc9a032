#include "app/ContextScan.h"

#include <cwchar>

#include "app/CommandLineParser.h"

namespace {

constexpr wchar_t kScanSwitch[] = L"scan";
constexpr wchar_t kCustomValue[] = L"custom";
constexpr wchar_t kPathSwitch[] = L"path";

bool Holds(const std::vector<std::wstring>& paths, const std::wstring& path) {
  for (const std::wstring& p : paths)
    if (_wcsicmp(p.c_str(), path.c_str()) == 0) return true;
  return false;
}

}  // namespace

std::optional<ContextScanRequest> ContextScanFromCommandLine(const CCommandLineParser& parser) {
  if (parser.GetSwitchValue(kScanSwitch) != kCustomValue) return std::nullopt;
  auto entry = parser.Switches().find(kPathSwitch);
  if (entry == parser.Switches().end()) return std::nullopt;
  ContextScanRequest request;
  for (const std::wstring& path : entry->second)
    if (!path.empty() && !Holds(request.paths, path)) request.paths.push_back(path);
  if (request.paths.empty()) return std::nullopt;
  return request;
}

void MergeContextScanRequest(ContextScanRequest& into, const ContextScanRequest& more) {
  for (const std::wstring& path : more.paths)
    if (!Holds(into.paths, path)) into.paths.push_back(path);
}

ContextScanPaths SplitContextScanPaths(const std::vector<std::wstring>& paths,
                                       const std::function<bool(const std::wstring&)>& exists) {
  ContextScanPaths split;
  for (const std::wstring& path : paths)
    (exists(path) ? split.existing : split.missing).push_back(path);
  return split;
}

std::wstring MissingPathsMessage(const std::wstring& text,
                                 const std::vector<std::wstring>& missing) {
  std::wstring message = text;
  for (const std::wstring& path : missing) message += L"\n" + path;
  return message;
}
