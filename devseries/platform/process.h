// The process's command line and standard streams, the same on every
// platform: arguments arrive as UTF-8 texts (on Windows from the UTF-16
// command line, whatever the system code page), standard input and output
// carry bytes unchanged, and text shown on a Windows console reads right
// whatever the console's code page.
#pragma once

#include <streambuf>
#include <string>
#include <vector>

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

// True when the process's standard output is a terminal (a console on
// Windows), which people read as it comes rather than a pipe or a file.
bool StandardOutputIsTerminal();

// Makes the terminal that standard output is show the colours written to it
// as ANSI escape sequences, and says whether it does: a Windows console
// does once its virtual-terminal processing is on (Windows 10 and later),
// which this turns on; the terminals of every other system do as they are.
// Call only when StandardOutputIsTerminal().
bool EnableTerminalColours();

enum class StandardStream { kOutput, kError };

// A stream buffer that shows UTF-8 text written to it on the Windows console
// that `stream` is, as characters (WriteConsoleW), so that names beyond
// ASCII read right whatever the console's code page; a character split
// between two writes waits for its end. Null when `stream` is a pipe or a
// file, which take the bytes unchanged, and on every other system, whose
// terminals take UTF-8 bytes as they are. Lives as long as the process.
std::streambuf* ConsoleTextBuffer(StandardStream stream);

}  // namespace devseries::platform
