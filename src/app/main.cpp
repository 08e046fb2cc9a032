#include <windows.h>

#include "app/RodeRedudApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  CRodeRedudApp app;
  app.SetCommandLine(commandLine ? commandLine : L"");
  if (!app.InitInstance()) {
    app.ExitInstance();
    return 0;
  }
  app.Run();
  return 0;
}
