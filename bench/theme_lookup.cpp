// Prints the cost of theme lookups as paint handlers make them: cached hits, misses (which
// search the document every time) and integer reads (never cached).

#include <windows.h>

#include <chrono>
#include <cstdio>

#include "support/shipped_theme.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

namespace {

template <typename F>
double NanosecondsPerCall(int calls, F&& f) {
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < calls; ++i) f();
  auto elapsed = std::chrono::steady_clock::now() - start;
  return std::chrono::duration<double, std::nano>(elapsed).count() / calls;
}

}  // namespace

int wmain() {
  if (!LoadShippedTheme()) {
    std::fprintf(stderr, "the shipped theme did not load\n");
    return 1;
  }
  CThemeResources& theme = Theme();
  volatile unsigned sink = 0;
  const int n = 200000;

  std::printf("GetColor, cached:          %8.1f ns\n",
              NanosecondsPerCall(n, [&] { sink = sink + theme.GetColor(L"general/list/text"); }));
  std::printf("GetColor, leading slash:   %8.1f ns\n",
              NanosecondsPerCall(n, [&] { sink = sink + theme.GetColor(L"/general/list/text/"); }));
  std::printf("GetString, cached:         %8.1f ns\n", NanosecondsPerCall(n, [&] {
                sink = sink + static_cast<unsigned>(theme.GetString(L"app_name").size());
              }));
  std::printf("GetFont, cached:           %8.1f ns\n", NanosecondsPerCall(n, [&] {
                sink = sink + (theme.GetFont(L"client/normal") != nullptr);
              }));
  std::printf("GetInteger (document):     %8.1f ns\n",
              NanosecondsPerCall(n / 20, [&] { sink = sink + theme.GetInteger(L"pid"); }));
  std::printf("GetColor, missing key:     %8.1f ns\n", NanosecondsPerCall(n / 20, [&] {
                sink = sink + theme.GetColor(L"general/no/such/key");
              }));
  std::printf("LoadResString:             %8.1f ns\n", NanosecondsPerCall(n / 20, [&] {
                sink =
                    sink + static_cast<unsigned>(theme.LoadResString(IDS_STATUS_PROTECTED).size());
              }));
  std::printf("LoadThemeImage (PNG):      %8.1f us\n",
              NanosecondsPerCall(200, [&] {
                sink = sink + (LoadThemeImage(L"Images\\Overview\\computer_green.png") != nullptr);
              }) / 1000.0);
  return 0;
}
