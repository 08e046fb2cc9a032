// The program's application manifest, as the system reads it from the executable.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ProgramManifest() {
  HMODULE exe = LoadLibraryExW(L"RodeRedud.exe", nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!exe) return {};
  std::string text;
  if (HRSRC res = FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)))
    if (HGLOBAL data = LoadResource(exe, res))
      text.assign(static_cast<const char*>(LockResource(data)), SizeofResource(exe, res));
  FreeLibrary(exe);
  return text;
}

}  // namespace

TEST(Manifest, ProgramDeclaresControlsSystemsAndDpi) {
  const std::string manifest = ProgramManifest();
  ASSERT_FALSE(manifest.empty()) << "no process manifest in RodeRedud.exe";
  const char* const required[] = {
      // Common controls 6.
      "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
      "publicKeyToken=\"6595b64144ccf1df\"",
      // Windows 7, 8, 8.1, 10/11.
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
      "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
      "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
      "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
      // The system scales the fixed 96-dpi layout and its text together.
      "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">false</dpiAware>",
      "<requestedExecutionLevel level=\"asInvoker\"",
  };
  for (const char* r : required) EXPECT_NE(std::string::npos, manifest.find(r)) << r;
}
