#include "devseries/platform/file_error.h"

namespace devseries::platform {

std::string FileErrorText(FileError error) {
  switch (error) {
    case FileError::kNone:
      return "Success";
    case FileError::kNotFound:
      return "No such file or directory";
    case FileError::kExists:
      return "File exists";
    case FileError::kAccessDenied:
      return "Permission denied";
    case FileError::kIsDirectory:
      return "Is a directory";
    case FileError::kNotDirectory:
      return "Not a directory";
    case FileError::kNoSpace:
      return "No space left on device";
    case FileError::kTooLarge:
      return "file too large";
    case FileError::kInterrupted:
      return "Interrupted system call";
    case FileError::kLoop:
      return "Too many levels of symbolic links";
    case FileError::kBadHandle:
      return "Bad file descriptor";
    case FileError::kReadOnly:
      return "Read-only file system";
    case FileError::kInvalid:
      return "Invalid argument";
    case FileError::kNotPermitted:
      return "Operation not permitted";
    case FileError::kIo:
      return "Input/output error";
    case FileError::kNameTooLong:
      return "File name too long";
    case FileError::kCrossDevice:
      return "Invalid cross-device link";
    case FileError::kBusy:
      return "Device or resource busy";
    case FileError::kTooManyOpenFiles:
      return "Too many open files";
    case FileError::kQuotaExceeded:
      return "Disk quota exceeded";
    case FileError::kNoMemory:
      return "Cannot allocate memory";
    case FileError::kBrokenPipe:
      return "Broken pipe";
    case FileError::kNoDevice:
      return "No such device or address";
    case FileError::kTextFileBusy:
      return "Text file busy";
    case FileError::kNotSupported:
      return "Operation not supported";
    case FileError::kNotRegular:
      return "not a regular file";
    case FileError::kLinkNotTrusted:
      return "symbolic link owned by another user; not followed";
    case FileError::kBadName:
      return "file name is not valid UTF-8";
    case FileError::kOther:
      break;
  }
  return "Unknown error";
}

}  // namespace devseries::platform
