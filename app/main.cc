// Entry point of the updater: the framework's entry code runs the global
// application object.
#include "app/tovra_app.h"
#include "platform/app_framework.h"
#include "platform/file_system.h"

using namespace devseries;

// The one application object of the updater, constructed during static
// initialisation. It lives here, not in the app library, so test programs
// can construct application objects of their own.
C_TOVRAApp theApp;

int main(int argc, char** argv) {
  // An interrupted run leaves no temporary file beside the installed ones.
  platform::InstallInterruptCleanup();
  return platform::AfxWinMain(argc, argv);
}
