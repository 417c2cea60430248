#include "platform/wow64.h"

#include <sys/utsname.h>

#include <cstdint>
#include <string_view>

namespace devseries::platform {

namespace {

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
  switch (Seam<Wow64Probe>::Current()->Answer()) {
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

class SystemProbe : public Wow64Probe {
 public:
  Wow64Answer Answer() override {
    return SystemIsWow64() ? Wow64Answer::kWow64 : Wow64Answer::kNotWow64;
  }
};

}  // namespace

HANDLE GetCurrentProcess() {
  // Windows' pseudo handle of the current process.
  return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
}

IsWow64ProcessFunction LookUpIsWow64Process() {
  return Seam<Wow64Probe>::Current()->Answer() == Wow64Answer::kExportMissing
             ? nullptr
             : &IsWow64ProcessStandIn;
}

Wow64Probe* Wow64Probe::Default() {
  static SystemProbe probe;
  return &probe;
}

}  // namespace devseries::platform
