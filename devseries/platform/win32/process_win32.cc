// The process on Windows: arguments come from the UTF-16 command line, so
// that they arrive whole whatever the system code page; the C runtime's
// standard streams are switched to binary.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "devseries/platform/process.h"
#include "devseries/platform/progress.h"
#include "devseries/platform/win32/wide_text.h"

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

bool StandardOutputIsTerminal() {
  ::DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

bool EnableTerminalColours() {
  const ::HANDLE console = ::GetStdHandle(STD_OUTPUT_HANDLE);
  ::DWORD mode = 0;
  if (::GetConsoleMode(console, &mode) == 0) return false;
  if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) return true;
  return ::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) !=
         0;
}

void FailWritesToBrokenPipes() {}

namespace {

// The length of a UTF-8 sequence that starts with `lead`; 1 for a byte that
// starts none, which the conversion shows as U+FFFD.
size_t SequenceLength(unsigned char lead) {
  if (lead < 0xC0) return 1;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  return lead < 0xF8 ? 4 : 1;
}

// Gathers UTF-8 text and writes each complete part of it to a console
// handle as UTF-16.
class ConsoleBuffer : public std::streambuf {
 public:
  explicit ConsoleBuffer(::HANDLE console) : console_(console) {
    setp(buffer_, buffer_ + sizeof buffer_);
  }

 protected:
  int_type overflow(int_type c) override {
    if (!Drain()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) {
      return traits_type::not_eof(c);
    }
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
  }

  int sync() override { return Drain() ? 0 : -1; }

 private:
  // Writes every complete character gathered; keeps the start of one whose
  // remaining bytes are still to come.
  bool Drain() {
    const size_t size = static_cast<size_t>(pptr() - pbase());
    size_t complete = size;
    for (size_t back = 1; back <= 3 && back <= size; ++back) {
      const unsigned char byte =
          static_cast<unsigned char>(buffer_[size - back]);
      if ((byte & 0xC0) == 0x80) continue;
      if (SequenceLength(byte) > back) complete = size - back;
      break;
    }
    // A buffer of nothing but a character's start cannot wait longer.
    if (complete == 0 && size == sizeof buffer_) complete = size;
    bool written = WriteText(complete);
    std::memmove(buffer_, buffer_ + complete, size - complete);
    setp(buffer_, buffer_ + sizeof buffer_);
    pbump(static_cast<int>(size - complete));
    return written;
  }

  bool WriteText(size_t size) {
    if (size == 0) return true;
    const std::wstring wide =
        win32::WidenForShowing(std::string_view(buffer_, size));
    if (wide.empty()) return false;
    for (size_t done = 0; done < wide.size();) {
      ::DWORD written = 0;
      if (!::WriteConsoleW(console_, wide.data() + done,
                           static_cast<::DWORD>(wide.size() - done), &written,
                           nullptr) ||
          written == 0) {
        return false;
      }
      done += written;
    }
    return true;
  }

  ::HANDLE console_;
  char buffer_[4096];
};

}  // namespace

std::streambuf* ConsoleTextBuffer(StandardStream stream) {
  const bool output = stream == StandardStream::kOutput;
  ::HANDLE handle =
      ::GetStdHandle(output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  ::DWORD mode = 0;
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr ||
      !::GetConsoleMode(handle, &mode)) {
    return nullptr;
  }
  // What the C library's stream holds already goes first.
  std::fflush(output ? stdout : stderr);
  if (output) {
    static ConsoleBuffer outputBuffer(handle);
    return &outputBuffer;
  }
  static ConsoleBuffer errorBuffer(handle);
  return &errorBuffer;
}

}  // namespace devseries::platform
