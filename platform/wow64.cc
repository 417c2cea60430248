#include "platform/wow64.h"

#include <sys/utsname.h>

#include <cstdint>
#include <string_view>

namespace devseries::platform {

namespace {

Wow64Answer g_wow64Answer = Wow64Answer::kSystem;

// A 32-bit build reports the machine of the kernel it runs on; a 64-bit
// kernel names a 64-bit machine ("x86_64", "aarch64", "s390x", ...).
bool SystemIsWow64() {
  if constexpr (sizeof(void*) >= 8) {
    return false;
  } else {
    struct utsname name;
    if (::uname(&name) != 0) return false;
    std::string_view machine(name.machine);
    return machine.find("64") != std::string_view::npos || machine == "s390x";
  }
}

BOOL IsWow64ProcessStandIn(HANDLE /*process*/, BOOL* wow64Process) {
  if (wow64Process == nullptr) return FALSE;
  switch (g_wow64Answer) {
    case Wow64Answer::kNotWow64:
      *wow64Process = FALSE;
      return TRUE;
    case Wow64Answer::kWow64:
      *wow64Process = TRUE;
      return TRUE;
    case Wow64Answer::kCallFails:
    case Wow64Answer::kExportMissing:
      return FALSE;
    case Wow64Answer::kSystem:
      break;
  }
  *wow64Process = SystemIsWow64() ? TRUE : FALSE;
  return TRUE;
}

}  // namespace

HANDLE GetCurrentProcess() {
  // Windows' pseudo handle of the current process.
  return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
}

IsWow64ProcessFunction LookUpIsWow64Process() {
  return g_wow64Answer == Wow64Answer::kExportMissing ? nullptr
                                                      : &IsWow64ProcessStandIn;
}

Wow64Answer SetWow64Answer(Wow64Answer answer) {
  Wow64Answer previous = g_wow64Answer;
  g_wow64Answer = answer;
  return previous;
}

}  // namespace devseries::platform
