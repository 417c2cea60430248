// What the Windows file system's tests reach inside it: the system call
// that replaces a file, which a test points at a stand-in that fails the
// way some systems and volumes do, and the console handler of the
// interrupt clean-up.
#pragma once

namespace devseries::platform::win32 {

// ReplaceFileW's type, spelled without the system's headers; __stdcall is
// WINAPI on 32-bit x86 and ignored elsewhere.
using ReplaceFileCall = int(__stdcall*)(const wchar_t* replaced,
                                        const wchar_t* replacement,
                                        const wchar_t* backup,
                                        unsigned long flags, void* exclude,
                                        void* reserved);

// The function the file system replaces files with: the system's
// ReplaceFileW unless a test has put another in its place.
ReplaceFileCall& ReplaceFileFunction();

// The handler InstallInterruptCleanup gives the console: on Ctrl+C,
// Ctrl+Break, close and shutdown it removes every pending sibling and,
// until the process ends, lets no new one be created; returns 0 (not
// handled), so that the system's handling ends the process.
int __stdcall RemovePendingSiblingsOnEvent(unsigned long event);

}  // namespace devseries::platform::win32
