// The process on POSIX systems: arguments and streams are bytes already.
#include <signal.h>
#include <unistd.h>

#include "devseries/platform/process.h"
#include "devseries/platform/progress.h"

namespace devseries::platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc)
                  : std::vector<std::string>();
}

void UseBinaryStandardStreams() {}

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

bool StandardOutputIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

bool EnableTerminalColours() { return true; }

void FailWritesToBrokenPipes() { ::signal(SIGPIPE, SIG_IGN); }

std::streambuf* ConsoleTextBuffer(StandardStream) { return nullptr; }

}  // namespace devseries::platform
