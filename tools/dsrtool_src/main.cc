// dsrtool: the command-line host of the device-series library.
#include <iostream>
#include <string>
#include <vector>

#include "devseries/platform/file_system.h"
#include "devseries/platform/process.h"
#include "tools/dsrtool_src/command_line.h"
#include "tools/dsrtool_src/progress.h"
#include "tools/dsrtool_src/tool_error.h"

using namespace devseries;

int main(int argc, char** argv) {
  // An interrupted command leaves no temporary file beside its output.
  platform::InstallInterruptCleanup();
  // Messages on a Windows console read right whatever its code page.
  if (std::streambuf* console =
          platform::ConsoleTextBuffer(platform::StandardStream::kError)) {
    std::cerr.rdbuf(console);
  }
  // A file that takes long to read or write shows its progress on a
  // terminal.
  dsrtool::ScopedTerminalProgress progress(std::cerr);
  // Output files written to standard output keep their bytes exactly.
  platform::UseBinaryStandardStreams();
  std::vector<std::string> arguments =
      platform::CommandLineArguments(argc, argv);
  // Standard output through a buffer that keeps why a write failed; on a
  // Windows console, as characters, like the messages.
  dsrtool::StandardOutputBuffer buffer;
  std::streambuf* console =
      platform::ConsoleTextBuffer(platform::StandardStream::kOutput);
  std::ostream out(console != nullptr ? console : &buffer);
  const int code = dsrtool::RunCommandLine(arguments, out, std::cerr);
  out.flush();
  return code;
}
