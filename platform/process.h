// The process's command line and standard streams, the same on every
// platform: arguments arrive as UTF-8 texts (on Windows from the UTF-16
// command line, whatever the system code page), and standard input and
// output carry bytes unchanged.
#pragma once

#include <string>
#include <vector>

#pragma GCC visibility push(default)
namespace devseries::platform {

// The arguments after the program name, UTF-8. `argc` and `argv` are
// main's; Windows reads its own wide command line instead.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Makes standard input and output binary: no CR LF made of a line feed, no
// end of file at a Ctrl+Z byte. Does nothing where streams are binary
// anyway.
void UseBinaryStandardStreams();

// Makes a write to a pipe whose reader has gone fail as any failed write
// does, instead of ending the process (SIGPIPE), so that a program can
// still say what it did. Windows reports such a write as a failure anyway.
void FailWritesToBrokenPipes();

}  // namespace devseries::platform
#pragma GCC visibility pop
