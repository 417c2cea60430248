// The errors of the file seam, the same on every platform: each file
// system maps its operating system's error codes into them (on Linux the
// POSIX file system maps errno, in one function), so nothing above the
// platform layer looks at an operating system's codes.
#pragma once

#include <string>

#pragma GCC visibility push(default)
namespace devseries::platform {

enum class FileError {
  kNone,              // success
  kNotFound,          // nothing at the path, or a folder on the way missing
  kExists,            // something is already at the path
  kAccessDenied,      // the permission bits refuse the access
  kIsDirectory,       // a folder where a file was wanted
  kNotDirectory,      // a file where a folder of the path was wanted
  kNoSpace,           // the disk is full
  kTooLarge,          // more bytes than the caller's limit, or the system's
  kInterrupted,       // a signal came first; the call may be repeated
  kLoop,              // a cycle of symbolic links, or too long a chain
  kBadHandle,         // no file is open under the handle
  kReadOnly,          // the file system is mounted read-only
  kInvalid,           // an argument the operation does not take
  kNotPermitted,      // the process may not do that at all (not root)
  kIo,                // the device failed
  kNameTooLong,       // the path or one of its names is too long
  kCrossDevice,       // a rename across file systems
  kBusy,              // the file or device is in use
  kTooManyOpenFiles,  // the process or the system has no handle left
  kQuotaExceeded,     // the user's disk quota is used up
  kNoMemory,          // the system has no memory left for the call
  kBrokenPipe,        // a pipe's reader has gone
  kNoDevice,          // the device behind a device file is missing
  kTextFileBusy,      // a running program's file cannot be written
  kNotSupported,      // the file system cannot do that (an attribute kind)
  kNotRegular,        // not a regular file where only one is taken
  kLinkNotTrusted,    // root met a symbolic link owned by another user
  kBadName,           // a path that is not UTF-8 text, which Windows refuses
  kOther,             // an error the platform has no name for here
};

// The text a user sees for `error`: "No such file or directory", "No space
// left on device", "file too large", ... (the texts of the C library).
std::string FileErrorText(FileError error);

}  // namespace devseries::platform
#pragma GCC visibility pop
