// The framework's entry point of a windowless application on Windows: a
// GUI-subsystem program whose WinMain runs the registered application
// object and opens no window.
#include <stdlib.h>

#include "devseries/platform/app_framework.h"
#include "devseries/platform/file_system.h"

// Keep after the library's headers, which declare names the system headers
// make macros of (TRUE, FALSE, ERROR_SUCCESS, ...).
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // An interrupted run leaves no temporary file beside the written ones.
  devseries::platform::InstallInterruptCleanup();
  // The C runtime's arguments; the framework ignores the command line.
  return devseries::platform::AfxWinMain(__argc, __argv);
}
