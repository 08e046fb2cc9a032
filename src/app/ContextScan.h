// The custom scan that Explorer's "Scan with" verb asks for: the switch
// "scan" with the value "custom" and one or more "path" values, in a fresh
// instance or handed over to the running one.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

class CCommandLineParser;

struct ContextScanRequest {
  // The paths in the order given, each once (compared without regard to case).
  std::vector<std::wstring> paths;
};

// The request in a parsed command line; none unless "scan" is exactly
// "custom" and at least one non-empty "path" value is given.
std::optional<ContextScanRequest> ContextScanFromCommandLine(const CCommandLineParser& parser);

// Appends the paths of `more` that `into` does not hold yet (a selection of
// several items arrives as several requests close together).
void MergeContextScanRequest(ContextScanRequest& into, const ContextScanRequest& more);

struct ContextScanPaths {
  std::vector<std::wstring> existing;  // to scan
  std::vector<std::wstring> missing;   // to name in a message
};
// Splits the paths by whether `exists` holds for them, keeping their order.
ContextScanPaths SplitContextScanPaths(const std::vector<std::wstring>& paths,
                                       const std::function<bool(const std::wstring&)>& exists);

// The message naming the missing paths: `text` (a resource string) followed by
// one path per line.
std::wstring MissingPathsMessage(const std::wstring& text,
                                 const std::vector<std::wstring>& missing);
