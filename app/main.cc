// Entry point of the updater: the framework's entry code runs the global
// application object.
#include "app/tovra_app.h"
#include "platform/app_framework.h"

// The one application object of the updater, constructed during static
// initialisation. It lives here, not in the app library, so test programs
// can construct application objects of their own.
C_TOVRAApp theApp;

int main(int argc, char** argv) { return platform::AfxWinMain(argc, argv); }
