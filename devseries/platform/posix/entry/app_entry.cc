// The framework's entry point of a windowless application on POSIX
// systems: the program's main runs the registered application object.
#include "devseries/platform/app_framework.h"
#include "devseries/platform/file_system.h"

int main(int argc, char** argv) {
  // An interrupted run leaves no temporary file beside the written ones.
  devseries::platform::InstallInterruptCleanup();
  return devseries::platform::AfxWinMain(argc, argv);
}
