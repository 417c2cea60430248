// dsrtool: the command-line host of the device-series library.
#include <iostream>
#include <string>
#include <vector>

#include "tools/dsrtool_src/command_line.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  return dsrtool::RunCommandLine(arguments, std::cout, std::cerr);
}
