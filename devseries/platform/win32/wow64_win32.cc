// The process probe of Windows: kernel32's own IsWow64Process, looked up at
// run time because older systems do not export it.
#include "devseries/platform/host_internal.h"

// Keep after the library's headers, which declare names the system headers
// make macros of (TRUE, FALSE).
#include <windows.h>

namespace {

// The system's function has the system's calling convention (__stdcall on
// 32-bit x86); the library's function type has the default one.
using SystemIsWow64ProcessType = ::BOOL(WINAPI*)(::HANDLE, ::PBOOL);

// Looked up once: kernel32 stays loaded for the life of the process.
SystemIsWow64ProcessType SystemExport() {
  static const SystemIsWow64ProcessType function = [] {
    ::HMODULE kernel32 = ::GetModuleHandleA("kernel32");
    if (kernel32 == nullptr) return SystemIsWow64ProcessType{};
    return reinterpret_cast<SystemIsWow64ProcessType>(
        reinterpret_cast<void (*)()>(
            ::GetProcAddress(kernel32, "IsWow64Process")));
  }();
  return function;
}

::BOOL CallSystemIsWow64Process(void* process, ::BOOL* wow64Process) {
  return SystemExport()(static_cast<::HANDLE>(process), wow64Process);
}

}  // namespace

namespace devseries::platform::host {

IsWow64ProcessFunction SystemIsWow64Process() {
  return SystemExport() != nullptr ? &CallSystemIsWow64Process : nullptr;
}

// A system without the export has no WOW64 either; a call that fails
// cannot tell, and is taken as native.
bool SystemIsWow64() {
  IsWow64ProcessFunction isWow64Process = SystemIsWow64Process();
  if (isWow64Process == nullptr) return false;
  BOOL wow64 = FALSE;
  return isWow64Process(::GetCurrentProcess(), &wow64) && wow64 != FALSE;
}

}  // namespace devseries::platform::host
