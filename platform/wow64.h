// The process probe: whether this process is a 32-bit process on a 64-bit
// kernel (WOW64), which decides the registry view the updater asks for.
//
// On Windows the updater looks kernel32's "IsWow64Process" up at run time;
// LookUpIsWow64Process stands in for GetProcAddress(GetModuleHandleA(
// "kernel32"), "IsWow64Process"). The function it returns answers "not under
// WOW64" for a native process and "under WOW64" for a 32-bit build running
// on a 64-bit kernel. Tests can replace the answer, including the two ways
// the platform cannot tell: no such export, or a call that fails.
#pragma once

#include "platform/win_types.h"

#pragma GCC visibility push(default)
namespace devseries::platform {

using HANDLE = void*;
using IsWow64ProcessFunction = BOOL (*)(HANDLE process, BOOL* wow64Process);

HANDLE GetCurrentProcess();
// The export, or null when the platform does not have it.
IsWow64ProcessFunction LookUpIsWow64Process();

enum class Wow64Answer {
  kSystem,         // what this process and kernel really are
  kNotWow64,       // a native process
  kWow64,          // a 32-bit process on a 64-bit kernel
  kExportMissing,  // cannot tell: the lookup finds no function
  kCallFails,      // cannot tell: the function returns FALSE
};

// Sets the answer (kSystem restores the real one); returns the previous one.
Wow64Answer SetWow64Answer(Wow64Answer answer);

class ScopedWow64Answer {
 public:
  explicit ScopedWow64Answer(Wow64Answer answer)
      : previous_(SetWow64Answer(answer)) {}
  ~ScopedWow64Answer() { SetWow64Answer(previous_); }
  ScopedWow64Answer(const ScopedWow64Answer&) = delete;
  ScopedWow64Answer& operator=(const ScopedWow64Answer&) = delete;

 private:
  Wow64Answer previous_;
};

}  // namespace devseries::platform
#pragma GCC visibility pop
