// Runs the built dsrtool as a child process on Windows: CreateProcessW with
// a command line quoted as CommandLineToArgvW splits it, the standard
// streams on files or on pipes drained by threads of their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/command_line_quoting.h"
#include "tests/support/wide_text.h"
#include "tests/tools/tool_runner.h"

// clang-format off
#include <windows.h>
// clang-format on

namespace tovra::testing {

namespace {

using tovra::testing::Widen;

// A handle closed when it goes away (or earlier, by Close).
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle)
      : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  HANDLE get() const { return handle_; }
  HANDLE* out() { return &handle_; }
  void Close() {
    if (handle_ != nullptr) ::CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

// The program's path as Windows opens it: the cross build names it from
// the Unix root ("/work/..."), which Wine maps to drive Z:.
std::wstring ProgramPath() {
  std::string path = DSRTOOL_PATH;
  if (path.size() > 1 && path[0] == '/' && path[1] != '/') {
    path = "Z:" + path;
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
  }
  return Widen(path);
}

SECURITY_ATTRIBUTES Inheritable() {
  SECURITY_ATTRIBUTES attributes = {};
  attributes.nLength = sizeof attributes;
  attributes.bInheritHandle = TRUE;
  return attributes;
}

// A file the child inherits as a standard stream: read, or written from
// empty.
HANDLE OpenForChild(const std::string& path, bool write) {
  SECURITY_ATTRIBUTES attributes = Inheritable();
  HANDLE file = ::CreateFileW(
      Widen(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &attributes,
      write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) ADD_FAILURE() << "cannot open " << path;
  return file;
}

// A pipe whose end `childEnd` (its read end when `childReads`) the child
// inherits; the other end stays with this process.
bool MakePipe(bool childReads, Handle* childEnd, Handle* ownEnd) {
  SECURITY_ATTRIBUTES attributes = Inheritable();
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  if (!::CreatePipe(&read, &write, &attributes, 0)) {
    ADD_FAILURE() << "cannot make a pipe: " << ::GetLastError();
    return false;
  }
  *childEnd->out() = childReads ? read : write;
  *ownEnd->out() = childReads ? write : read;
  ::SetHandleInformation(ownEnd->get(), HANDLE_FLAG_INHERIT, 0);
  return true;
}

// Starts dsrtool with `arguments` and the three standard handles, waits
// for it and returns its exit code; -1 when it did not start or ended by
// an exception (a crash). `started` runs once the child has its handles:
// the caller closes its copies of the child's ends there.
int Run(
    const std::vector<std::string>& arguments, HANDLE in, HANDLE out,
    HANDLE err, const std::function<void()>& started = [] {}) {
  const std::wstring program = ProgramPath();
  std::wstring command = tovra::testing::QuotedArgument(program);
  for (const std::string& argument : arguments) {
    command += L" " + tovra::testing::QuotedArgument(Widen(argument));
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION child = {};
  // Wine answers ERROR_INTERNAL_ERROR when it cannot start a process in
  // time on a loaded machine (seen once in a CI run while another build
  // shared the cores); the start is tried again before the test fails.
  BOOL ok = FALSE;
  for (int attempt = 0; attempt < 3 && !ok; ++attempt) {
    ok = ::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr,
                          TRUE, 0, nullptr, nullptr, &startup, &child);
    if (!ok && ::GetLastError() != ERROR_INTERNAL_ERROR) break;
  }
  started();
  if (!ok) {
    ADD_FAILURE() << "cannot start " << DSRTOOL_PATH << ": "
                  << ::GetLastError();
    return -1;
  }
  Handle process(child.hProcess);
  Handle thread(child.hThread);
  ::WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  // An exception's status (0xC0000005 and the like) is no exit code.
  if ((code & 0xC0000000u) == 0xC0000000u) {
    ADD_FAILURE() << DSRTOOL_PATH << " did not exit normally (status 0x"
                  << std::hex << code << std::dec << ")";
    return -1;
  }
  return static_cast<int>(code);
}

// Standard error is text, which the C runtime writes with CR LF line breaks
// on Windows; read back, a line ends in LF as elsewhere.
std::string TextLines(std::string text) {
  size_t kept = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    text[kept++] = text[i];
  }
  text.resize(kept);
  return text;
}

}  // namespace

ToolRun RunDsrTool(const std::vector<std::string>& arguments,
                   const std::string& input) {
  ScopedTempDir captures;
  WriteFileBytes(captures.File("stdin"), input);
  ToolRun run;
  {
    Handle in(OpenForChild(captures.File("stdin"), false));
    Handle out(OpenForChild(captures.File("stdout"), true));
    Handle err(OpenForChild(captures.File("stderr"), true));
    if (in.get() == nullptr || out.get() == nullptr || err.get() == nullptr) {
      return run;
    }
    run.exitCode = Run(arguments, in.get(), out.get(), err.get());
  }
  run.out = ReadFileBytes(captures.File("stdout"));
  run.err = TextLines(ReadFileBytes(captures.File("stderr")));
  return run;
}

ToolRun RunDsrToolThroughPipes(const std::vector<std::string>& arguments,
                               const std::string& input) {
  ScopedTempDir captures;
  ToolRun run;
  Handle childIn, feed, childOut, drain;
  Handle err(OpenForChild(captures.File("stderr"), true));
  if (!MakePipe(true, &childIn, &feed) || !MakePipe(false, &childOut, &drain) ||
      err.get() == nullptr) {
    return run;
  }
  // Input is fed and output drained at once, so that neither side waits on
  // a full pipe; the feed ends when the child stops reading.
  std::thread feeder;
  std::thread drainer;
  run.exitCode = Run(arguments, childIn.get(), childOut.get(), err.get(), [&] {
    childIn.Close();
    childOut.Close();
    feeder = std::thread([&] {
      for (size_t at = 0; at < input.size();) {
        DWORD n = 0;
        const DWORD piece =
            static_cast<DWORD>(std::min<size_t>(input.size() - at, 65536));
        if (!::WriteFile(feed.get(), input.data() + at, piece, &n, nullptr)) {
          break;
        }
        at += n;
      }
      feed.Close();
    });
    drainer = std::thread([&] {
      char buffer[65536];
      DWORD n = 0;
      while (::ReadFile(drain.get(), buffer, sizeof buffer, &n, nullptr) &&
             n > 0) {
        run.out.append(buffer, n);
      }
    });
  });
  feeder.join();
  drainer.join();
  err.Close();
  run.err = TextLines(ReadFileBytes(captures.File("stderr")));
  return run;
}

}  // namespace tovra::testing
