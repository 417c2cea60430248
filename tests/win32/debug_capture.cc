// debug_capture OUTPUT PROGRAM [ARGUMENT...]
//
// Runs PROGRAM as the debuggee of this process and appends every string it
// sends to the debugger output (OutputDebugStringA) to the file OUTPUT,
// byte for byte as sent and without the terminating zero byte. Exits with
// the program's exit code once it has ended; 126 when it cannot be started,
// 125 when OUTPUT cannot be written.
//
// The end-to-end tests of the updater read its debug output this way: it is
// the updater's only report, and Wine's own trace of debug strings escapes
// and shortens them. A 64-bit build of this program debugs 32-bit (WOW64)
// programs as well.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/command_line_quoting.h"

namespace {

// The string the debuggee sent: its length counts the terminating zero,
// which is left out, and is the low 16 bits of the size only (strings of
// 64 KiB and more come shortened). A wide string is kept as UTF-8.
bool ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info,
                     std::string* text) {
  const size_t length = info.nDebugStringLength;
  if (info.fUnicode) {
    std::wstring wide(length, L'\0');
    SIZE_T read = 0;
    if (!::ReadProcessMemory(process, info.lpDebugStringData, wide.data(),
                             length * sizeof(wchar_t), &read)) {
      return false;
    }
    wide.resize(read / sizeof(wchar_t));
    if (!wide.empty() && wide.back() == L'\0') wide.pop_back();
    int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(),
                                     static_cast<int>(wide.size()), nullptr, 0,
                                     nullptr, nullptr);
    text->assign(size, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(),
                          static_cast<int>(wide.size()), text->data(), size,
                          nullptr, nullptr);
    return true;
  }
  text->assign(length, '\0');
  SIZE_T read = 0;
  if (!::ReadProcessMemory(process, info.lpDebugStringData, text->data(),
                           length, &read)) {
    return false;
  }
  text->resize(read);
  if (!text->empty() && text->back() == '\0') text->pop_back();
  return true;
}

// STATUS_WX86_BREAKPOINT: the breakpoint a WOW64 debuggee stops at once its
// 32-bit side has started, after the native one.
constexpr DWORD kWow64Breakpoint = 0x4000001F;

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 3) {
    std::fprintf(stderr, "usage: debug_capture OUTPUT PROGRAM [ARGUMENT...]\n");
    return 2;
  }
  HANDLE output = ::CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (output == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "debug_capture: %ls: cannot create (error %lu)\n",
                 argv[1], ::GetLastError());
    return 125;
  }
  std::wstring commandLine = tovra::testing::QuotedArgument(argv[2]);
  for (int i = 3; i < argc; ++i)
    commandLine += L" " + tovra::testing::QuotedArgument(argv[i]);

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  if (!::CreateProcessW(argv[2], commandLine.data(), nullptr, nullptr, FALSE,
                        DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr, &startup,
                        &child)) {
    std::fprintf(stderr, "debug_capture: %ls: cannot start (error %lu)\n",
                 argv[2], ::GetLastError());
    ::CloseHandle(output);
    return 126;
  }

  bool writeFailed = false;
  bool nativeBreakpointSeen = false;
  bool wow64BreakpointSeen = false;
  DWORD exitCode = 0;
  for (bool running = true; running;) {
    DEBUG_EVENT event;
    if (!::WaitForDebugEvent(&event, INFINITE)) {
      std::fprintf(stderr, "debug_capture: waiting failed (error %lu)\n",
                   ::GetLastError());
      return 125;
    }
    DWORD continueStatus = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT:
        // The image file's handle is ours to close; the process and thread
        // handles stay the system's.
        if (event.u.CreateProcessInfo.hFile != nullptr) {
          ::CloseHandle(event.u.CreateProcessInfo.hFile);
        }
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile != nullptr) {
          ::CloseHandle(event.u.LoadDll.hFile);
        }
        break;
      case OUTPUT_DEBUG_STRING_EVENT: {
        std::string text;
        DWORD written = 0;
        if (!ReadDebugString(child.hProcess, event.u.DebugString, &text) ||
            !::WriteFile(output, text.data(), static_cast<DWORD>(text.size()),
                         &written, nullptr) ||
            written != text.size()) {
          writeFailed = true;
        }
        break;
      }
      case EXCEPTION_DEBUG_EVENT: {
        // The system stops a new debuggee at a breakpoint of its own (a WOW64
        // debuggee at one more); every other exception goes back to the
        // program's own handlers.
        DWORD code = event.u.Exception.ExceptionRecord.ExceptionCode;
        if (code == EXCEPTION_BREAKPOINT && !nativeBreakpointSeen) {
          nativeBreakpointSeen = true;
        } else if (code == kWow64Breakpoint && !wow64BreakpointSeen) {
          wow64BreakpointSeen = true;
        } else {
          continueStatus = DBG_EXCEPTION_NOT_HANDLED;
        }
        break;
      }
      case EXIT_PROCESS_DEBUG_EVENT:
        if (event.dwProcessId == child.dwProcessId) {
          exitCode = event.u.ExitProcess.dwExitCode;
          running = false;
        }
        break;
      default:
        break;
    }
    ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
  }
  ::CloseHandle(child.hThread);
  ::CloseHandle(child.hProcess);
  if (!::CloseHandle(output) || writeFailed) {
    std::fprintf(stderr, "debug_capture: %ls: cannot write\n", argv[1]);
    return 125;
  }
  return static_cast<int>(exitCode);
}
