// The process probe of POSIX systems: no IsWow64Process export exists, so a
// function of the same shape answers from the kernel's machine name.
#include <sys/utsname.h>

#include <string_view>

#include "devseries/platform/host_internal.h"

namespace devseries::platform::host {
namespace {

BOOL IsWow64ProcessOfKernel(HANDLE /*process*/, BOOL* wow64Process) {
  if (wow64Process == nullptr) return FALSE;
  *wow64Process = SystemIsWow64() ? TRUE : FALSE;
  return TRUE;
}

}  // namespace

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

IsWow64ProcessFunction SystemIsWow64Process() {
  return &IsWow64ProcessOfKernel;
}

}  // namespace devseries::platform::host
