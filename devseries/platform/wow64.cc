#include "devseries/platform/wow64.h"

#include <cstdint>

#include "devseries/platform/host_internal.h"

namespace devseries::platform {

namespace {

// What an installed probe answers, in the shape of the system's function.
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
  *wow64Process = host::SystemIsWow64() ? TRUE : FALSE;
  return TRUE;
}

class SystemProbe : public Wow64Probe {
 public:
  Wow64Answer Answer() override {
    return host::SystemIsWow64() ? Wow64Answer::kWow64 : Wow64Answer::kNotWow64;
  }
};

}  // namespace

HANDLE GetCurrentProcess() {
  // Windows' pseudo handle of the current process.
  return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
}

IsWow64ProcessFunction LookUpIsWow64Process() {
  Wow64Probe* probe = Seam<Wow64Probe>::Current();
  // Nothing installed: the system's own function, when it has one.
  if (probe == Wow64Probe::Default()) return host::SystemIsWow64Process();
  return probe->Answer() == Wow64Answer::kExportMissing
             ? nullptr
             : &IsWow64ProcessStandIn;
}

Wow64Probe* Wow64Probe::Default() {
  static SystemProbe probe;
  return &probe;
}

}  // namespace devseries::platform
