// What the portable part of the platform layer asks of the operating system
// it is built for. Each platform folder (posix/, win32/) defines these; the
// build compiles exactly one of them.
#pragma once

#include <cstdint>
#include <string>

#include "devseries/platform/file_error.h"
#include "devseries/platform/resources.h"
#include "devseries/platform/wow64.h"

namespace devseries::platform::host {

// ------------------------------------------------------------ file system

// The permission bits a plain create takes away (the umask; 0 where the
// system has no such mask).
uint32_t CreationMask();
// The id of this process, which names the siblings of its replacements.
unsigned long ProcessId();
// True when a symbolic link's target names its file from the root (not
// from the link's folder): "/x" on POSIX systems; "\\x", "/x" and "C:\x"
// on Windows.
bool IsAbsoluteLinkTarget(const std::string& target);

// Holds the interrupt clean-up back on the calling thread while it lives,
// so that no interrupt comes between creating a sibling and noting it.
// Does nothing before the clean-up is installed.
class InterruptsHeldBack {
 public:
  InterruptsHeldBack();
  ~InterruptsHeldBack();
  InterruptsHeldBack(const InterruptsHeldBack&) = delete;
  InterruptsHeldBack& operator=(const InterruptsHeldBack&) = delete;

 private:
  bool held_ = false;
  // What the system needs to restore the previous state (a signal mask).
  alignas(16) unsigned char saved_[256];
};

// The siblings of the open replacements, kept by the portable part where an
// interrupt handler can reach them without allocating or locking.
//
// Notes `sibling` (its NativePath) for the clean-up; returns its slot, or -1
// when it cannot be noted (that sibling is then not removed by an
// interrupt).
int RegisterPendingSibling(const std::string& sibling);
void ReleasePendingSibling(int slot);
// Calls `remove` with the native path of every noted sibling. Safe in a
// signal handler.
void ForEachPendingSibling(void (*remove)(const char* nativePath));
// True once InstallInterruptCleanup has installed the handlers.
bool InterruptCleanupInstalled();
// Installs the system's interrupt handlers; called once.
void InstallInterruptHandlers();

// ------------------------------------------------------------ resources

// The provider reading HostResourceTable() at each lookup.
ResourceProvider* HostTableResourceProvider();

// ---------------------------------------------------------------- WOW64

// What the system says: true for a 32-bit process on a 64-bit kernel.
bool SystemIsWow64();
// The system's own IsWow64Process, or null when the system has none.
IsWow64ProcessFunction SystemIsWow64Process();

}  // namespace devseries::platform::host
