// The process probe: whether this process is a 32-bit process on a 64-bit
// kernel (WOW64), which decides the registry view the updater asks for.
//
// The updater looks kernel32's "IsWow64Process" up at run time: on Windows
// LookUpIsWow64Process is GetProcAddress(GetModuleHandleA("kernel32"),
// "IsWow64Process"), reached through a function of the shape below; on
// POSIX systems a function of that shape answers from the kernel's machine
// name. Either answers "not under WOW64" for a native process and "under
// WOW64" for a 32-bit build running on a 64-bit kernel. Tests can replace
// the answer through the seam Seam<Wow64Probe>, including the two ways the
// platform cannot tell: no such export, or a call that fails.
#pragma once

#include "devseries/platform/seam.h"
#include "devseries/platform/win_types.h"

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

// The seam: what LookUpIsWow64Process and the function it returns answer.
class Wow64Probe {
 public:
  Wow64Probe() = default;
  Wow64Probe(const Wow64Probe&) = delete;
  Wow64Probe& operator=(const Wow64Probe&) = delete;
  virtual ~Wow64Probe() = default;

  // The answer; kSystem defers to what the system says.
  virtual Wow64Answer Answer() = 0;

  // The probe of this process and kernel: kNotWow64 or kWow64.
  static Wow64Probe* Default();
};

// Answers `answer` while it lives (kSystem: what the system says), then
// restores the probe installed before.
class ScopedWow64Answer : public Wow64Probe {
 public:
  explicit ScopedWow64Answer(Wow64Answer answer)
      : answer_(answer),
        installed_(answer == Wow64Answer::kSystem ? nullptr : this) {}

  Wow64Answer Answer() override { return answer_; }

 private:
  Wow64Answer answer_;
  ScopedSeam<Wow64Probe> installed_;
};

}  // namespace devseries::platform
