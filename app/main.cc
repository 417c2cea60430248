// The updater's one application object, constructed during static
// initialisation; the framework's entry point (WinMain on Windows, main
// elsewhere) runs it. It lives here, not in the app library, so test
// programs can construct application objects of their own.
#include "app/tovra_app.h"

C_TOVRAApp theApp;
