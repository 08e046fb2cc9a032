// The interactive start of the application object (start-up steps 19 to 28:
// engine connection, main frame, engine seeding, updater registration, run
// count and first-run work) and its counterpart at exit.
#include "app/RodeRedudApp.h"

BOOL CRodeRedudApp::StartInteractive() {
  // Not built yet: the process ends cleanly instead of opening the main window.
  return FALSE;
}

void CRodeRedudApp::StopInteractive() {}
