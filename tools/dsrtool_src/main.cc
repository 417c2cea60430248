// dsrtool: the command-line host of the device-series library.
#include <iostream>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "tools/dsrtool_src/command_line.h"

using namespace devseries;

int main(int argc, char** argv) {
  // An interrupted command leaves no temporary file beside its output.
  platform::InstallInterruptCleanup();
  std::vector<std::string> arguments(argv + 1, argv + argc);
  return dsrtool::RunCommandLine(arguments, std::cout, std::cerr);
}
