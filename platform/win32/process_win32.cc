// The process on Windows: arguments come from the UTF-16 command line, so
// that they arrive whole whatever the system code page; the C runtime's
// standard streams are switched to binary.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/progress.h"
#include "platform/win32/wide_text.h"

// After the platform headers, whose declarations the system's macros of
// the same names would break.
// clang-format off
#include <windows.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>
// clang-format on

namespace devseries::platform {

// main's arguments are in the system code page, where a character that
// page lacks is already lost; the wide command line still has it.
std::vector<std::string> CommandLineArguments(int, char**) {
  std::vector<std::string> arguments;
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(win32::Narrow(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

void UseBinaryStandardStreams() {
  // Bytes already buffered were meant as text.
  std::fflush(stdout);
  ::_setmode(::_fileno(stdin), _O_BINARY);
  ::_setmode(::_fileno(stdout), _O_BINARY);
}

// A console answers GetConsoleMode; a pipe or a file does not.
bool StandardErrorIsTerminal() {
  ::DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void FailWritesToBrokenPipes() {}

}  // namespace devseries::platform
