// The file system of Windows: the seam's operations on file handles of the
// wide-character API, GetLastError codes mapped to FileError in one place,
// and the interrupt clean-up on the console's Ctrl+C, Ctrl+Break and close
// events.
//
// Paths are UTF-8 texts in Windows form; they are widened at this boundary
// (refused when they are not UTF-8) and handed to the W functions as given
// (the system takes both separators), or in the "\\?\" form when they are
// long (win32::SystemPath).
//
// Virus scanners and search indexers open every new or changed file for a
// moment, often without sharing its removal; what such a hold refuses in a
// replacement is tried again for up to about two seconds (Patience).
#include <atomic>
#include <cctype>
#include <climits>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "devseries/platform/file_system.h"
#include "devseries/platform/host_internal.h"
#include "devseries/platform/win32/file_system_win32_internal.h"
#include "devseries/platform/win32/wide_text.h"

// After the platform headers: the system's TRUE, FALSE and ERROR_ macros
// would break the declarations of platform/win_types.h.
// clang-format off
#include <windows.h>
#include <winioctl.h>
// clang-format on

namespace devseries::platform {
namespace {

// platform/win_types.h declares types of these names for the layers above;
// here they are the system's own.
using ::BOOL;
using ::DWORD;
using ::HANDLE;

using win32::FullPath;
using win32::Narrow;
using win32::SystemPath;

// What may share a file this process holds open: readers always, and
// removal, so that the interrupt clean-up can take a sibling away while it
// is being written.
constexpr DWORD kShareAll =
    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Codes of newer systems than the headers know.
constexpr DWORD kErrorDirectoryNotSupported = 336;
constexpr DWORD kErrorDiskQuotaExceeded = 1295;

// The one place that turns an error code of the system into the error of
// the file seam.
FileError FromSystemError(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS:
      return FileError::kNone;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return FileError::kNotFound;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return FileError::kExists;
    case ERROR_ACCESS_DENIED:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
      return FileError::kAccessDenied;
    case kErrorDirectoryNotSupported:
      return FileError::kIsDirectory;
    case ERROR_DIRECTORY:
      return FileError::kNotDirectory;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return FileError::kNoSpace;
    case ERROR_FILE_TOO_LARGE:
      return FileError::kTooLarge;
    case ERROR_CANT_RESOLVE_FILENAME:
      return FileError::kLoop;
    case ERROR_INVALID_HANDLE:
      return FileError::kBadHandle;
    case ERROR_WRITE_PROTECT:
      return FileError::kReadOnly;
    case ERROR_INVALID_FUNCTION:
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_NAME:
    case ERROR_NOT_SUPPORTED:
    case ERROR_NOT_A_REPARSE_POINT:
      return FileError::kInvalid;
    case ERROR_PRIVILEGE_NOT_HELD:
      return FileError::kNotPermitted;
    case ERROR_CRC:
    case ERROR_SEEK:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
      return FileError::kIo;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
      return FileError::kNameTooLong;
    case ERROR_NOT_SAME_DEVICE:
      return FileError::kCrossDevice;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_BUSY:
    case ERROR_PIPE_BUSY:
    case ERROR_USER_MAPPED_FILE:
    case ERROR_DELETE_PENDING:
      return FileError::kBusy;
    case ERROR_TOO_MANY_OPEN_FILES:
      return FileError::kTooManyOpenFiles;
    case kErrorDiskQuotaExceeded:
      return FileError::kQuotaExceeded;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NO_SYSTEM_RESOURCES:
      return FileError::kNoMemory;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
    case ERROR_PIPE_NOT_CONNECTED:
      return FileError::kBrokenPipe;
    case ERROR_BAD_UNIT:
    case ERROR_NOT_READY:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
      return FileError::kNoDevice;
    default:
      return FileError::kOther;
  }
}

// The error of the system call that just failed.
FileError LastError() {
  DWORD error = ::GetLastError();
  return error != ERROR_SUCCESS ? FromSystemError(error) : FileError::kIo;
}

// Waits out another program's hold on a file. A virus scanner or a search
// indexer opens each new or changed file for a moment, often without
// sharing its removal or its writing; a replacement meanwhile fails with a
// sharing or lock violation, or access denied. Such errors are tried again
// after growing waits, 25 ms more each time, for 1.95 s in all; a read-only
// file refuses for good and is not waited for. One Patience serves all the
// steps of one operation, so that the operation as a whole waits no longer.
class Patience {
 public:
  // True, after a wait, when the call that failed with `error` on `path`
  // should be made again.
  bool WaitAfter(DWORD error, const std::wstring& path) {
    switch (error) {
      case ERROR_SHARING_VIOLATION:
      case ERROR_LOCK_VIOLATION:
        break;
      case ERROR_ACCESS_DENIED:
      case ERROR_UNABLE_TO_REMOVE_REPLACED: {
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes &
             (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
          return false;
        }
        break;
      }
      default:
        return false;
    }
    if (tries_ >= kTries) return false;
    ++tries_;
    ::Sleep(kStepMilliseconds * static_cast<DWORD>(tries_));
    return true;
  }

 private:
  static constexpr int kTries = 12;
  static constexpr DWORD kStepMilliseconds = 25;
  int tries_ = 0;
};

// Removes the file at the system path `path`, waiting out holds; the
// system's error code, ERROR_SUCCESS when it is gone.
DWORD RemoveFile(const std::wstring& path, Patience* patience) {
  for (;;) {
    if (::DeleteFileW(path.c_str())) return ERROR_SUCCESS;
    const DWORD error = ::GetLastError();
    if (!patience->WaitAfter(error, path)) return error;
  }
}

// Moves the file at `from` to `to`, over a file there, waiting out holds.
DWORD MoveOver(const std::wstring& from, const std::wstring& to,
               Patience* patience) {
  for (;;) {
    if (::MoveFileExW(from.c_str(), to.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return ERROR_SUCCESS;
    }
    const DWORD error = ::GetLastError();
    if (!patience->WaitAfter(error, to)) return error;
  }
}

bool IsThere(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Closes a handle when it goes out of scope.
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() { Close(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  void Close() {
    if (valid()) ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

// The seam's handles are small numbers; this table holds the system handle
// behind each, and the path it was opened with. A number may stand for a
// device of the "\\.\" namespace that was only looked at (no system handle:
// opening a pipe would take one of its connections). Numbers are reused once
// closed. Safe for concurrent use.
class HandleTable {
 public:
  // The number for `handle` (INVALID_HANDLE_VALUE: a device looked at by
  // `path`), or -1 when no number is left.
  int Add(HANDLE handle, const std::wstring& path) {
    std::lock_guard<std::mutex> guard(mutex_);
    for (size_t i = 0; i < entries_.size(); ++i) {
      if (!entries_[i].used) {
        entries_[i] = {handle, path, true};
        return static_cast<int>(i);
      }
    }
    if (entries_.size() >= static_cast<size_t>(INT_MAX)) return -1;
    entries_.push_back({handle, path, true});
    return static_cast<int>(entries_.size() - 1);
  }

  // The handle numbered `id`; INVALID_HANDLE_VALUE when none is.
  HANDLE Get(int id) {
    std::lock_guard<std::mutex> guard(mutex_);
    return InRange(id) ? entries_[static_cast<size_t>(id)].handle
                       : INVALID_HANDLE_VALUE;
  }

  // The path `id` was opened with; false when no number `id` is in use.
  bool PathOf(int id, std::wstring* path) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!InRange(id)) return false;
    *path = entries_[static_cast<size_t>(id)].path;
    return true;
  }

  // Frees the number; `*handle` receives the handle behind it. False when
  // no number `id` is in use.
  bool Take(int id, HANDLE* handle) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!InRange(id)) return false;
    Entry& entry = entries_[static_cast<size_t>(id)];
    *handle = entry.handle;
    entry = Entry();
    return true;
  }

 private:
  struct Entry {
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::wstring path;
    bool used = false;
  };

  bool InRange(int id) const {
    return id >= 0 && static_cast<size_t>(id) < entries_.size() &&
           entries_[static_cast<size_t>(id)].used;
  }

  std::mutex mutex_;
  std::vector<Entry> entries_;
};

// What a path names, as the system decides it: an ordinary file path, or a
// device of the "\\.\" namespace, where "NUL", "CON" and "COM1" lead
// wherever in a path they stand.
enum class PathKind { kFile, kPipe, kConsole, kDevice };

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    wchar_t x = a[i], y = b[i];
    if (x >= L'a' && x <= L'z') x = static_cast<wchar_t>(x - L'a' + L'A');
    if (y >= L'a' && y <= L'z') y = static_cast<wchar_t>(y - L'a' + L'A');
    if (x != y) return false;
  }
  return true;
}

bool IsDriveLetter(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// `*full` receives FullPath(path).
PathKind Classify(const std::wstring& path, std::wstring* full) {
  *full = FullPath(path);
  std::wstring_view name(*full);
  if (name.size() < 4 || name[0] != L'\\' || name[1] != L'\\' ||
      (name[2] != L'.' && name[2] != L'?') || name[3] != L'\\') {
    return PathKind::kFile;
  }
  name.remove_prefix(4);
  const size_t separator = name.find(L'\\');
  const std::wstring_view first = name.substr(0, separator);
  const bool more = separator != std::wstring_view::npos;
  // "\\?\C:\folder", "\\?\UNC\server\share", "\\?\Volume{...}\folder":
  // files in the device namespace's spelling.
  if (more && first.size() == 2 && IsDriveLetter(first[0]) &&
      first[1] == L':') {
    return PathKind::kFile;
  }
  if (EqualsIgnoringCase(first, L"UNC")) return PathKind::kFile;
  if (more && first.size() > 7 &&
      EqualsIgnoringCase(first.substr(0, 7), L"Volume{")) {
    return PathKind::kFile;
  }
  if (EqualsIgnoringCase(first, L"pipe")) return PathKind::kPipe;
  if (EqualsIgnoringCase(first, L"CON") ||
      EqualsIgnoringCase(first, L"CONIN$") ||
      EqualsIgnoringCase(first, L"CONOUT$")) {
    return PathKind::kConsole;
  }
  return PathKind::kDevice;
}

void Describe(DWORD attributes, uint64_t size, FileInfo* info) {
  *info = FileInfo();
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    info->kind = FileKind::kDirectory;
    info->permissions = 0777;
    return;
  }
  info->kind = FileKind::kRegular;
  // The read-only attribute is all a file tells of who may write it; its
  // access list goes with it when it is replaced.
  info->permissions = (attributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  info->size = size;
}

// What an open handle of a disk file (or folder) is; `link` when it was
// opened as the symbolic link itself.
FileError DescribeOpen(HANDLE handle, bool link, FileInfo* info) {
  if (::GetFileType(handle) != FILE_TYPE_DISK) {
    *info = FileInfo();
    info->kind = FileKind::kOther;
    info->permissions = 0666;
    return FileError::kNone;
  }
  BY_HANDLE_FILE_INFORMATION data;
  if (!::GetFileInformationByHandle(handle, &data)) return LastError();
  Describe(data.dwFileAttributes,
           (uint64_t{data.nFileSizeHigh} << 32) | uint64_t{data.nFileSizeLow},
           info);
  if (link) {
    info->kind = FileKind::kSymbolicLink;
    info->permissions = 0777;
    info->size = 0;
  }
  info->device = data.dwVolumeSerialNumber;
  info->inode =
      (uint64_t{data.nFileIndexHigh} << 32) | uint64_t{data.nFileIndexLow};
  return FileError::kNone;
}

void DescribeOther(FileInfo* info) {
  *info = FileInfo();
  info->kind = FileKind::kOther;
  info->permissions = 0666;
}

// Opens what `path` names, following links, to ask about it; folders too.
HANDLE OpenHandleToInspect(const std::wstring& path, DWORD access,
                           DWORD flags) {
  return ::CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
}

// A device of the "\\.\" namespace: whether it is there, without writing
// to it or, for a pipe, taking one of its connections.
FileError StatDevice(PathKind kind, const std::wstring& full, FileInfo* info) {
  if (kind == PathKind::kPipe) {
    // Returns at once when an instance is free or none exists; a pipe all
    // of whose instances are busy is there all the same.
    if (!::WaitNamedPipeW(full.c_str(), 1) &&
        ::GetLastError() != ERROR_SEM_TIMEOUT) {
      return LastError();
    }
  } else if (kind == PathKind::kDevice) {
    ScopedHandle device(OpenHandleToInspect(full, 0, 0));
    if (!device.valid()) return LastError();
  }
  // The console is what a process attached to one writes to; whether it
  // has one shows when it is opened.
  DescribeOther(info);
  return FileError::kNone;
}

// The reparse tag of the reparse point at `path`; 0 when it has none.
DWORD ReparseTag(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileExW(path.c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) return 0;
  ::FindClose(find);
  return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
             ? data.dwReserved0
             : 0;
}

FileError StatPath(const std::string& path, bool followLinks, FileInfo* info) {
  std::wstring wide;
  if (!SystemPath(path, &wide)) return FileError::kBadName;
  std::wstring full;
  const PathKind kind = Classify(wide, &full);
  if (kind != PathKind::kFile) return StatDevice(kind, full, info);

  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
    return LastError();
  }
  const uint64_t size =
      (uint64_t{data.nFileSizeHigh} << 32) | uint64_t{data.nFileSizeLow};
  if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    Describe(data.dwFileAttributes, size, info);
    return FileError::kNone;
  }
  if (!followLinks) {
    if (ReparseTag(wide) == IO_REPARSE_TAG_SYMLINK) {
      *info = FileInfo();
      info->kind = FileKind::kSymbolicLink;
      info->permissions = 0777;
      return FileError::kNone;
    }
    // A junction, or a file a storage service keeps elsewhere: to its
    // readers, what it stands for.
    Describe(data.dwFileAttributes, size, info);
    return FileError::kNone;
  }
  // Opened without FILE_FLAG_OPEN_REPARSE_POINT, the system follows every
  // link to the final target: a missing one fails with ERROR_FILE_NOT_FOUND,
  // a cycle with ERROR_CANT_RESOLVE_FILENAME.
  ScopedHandle target(OpenHandleToInspect(wide, FILE_READ_ATTRIBUTES, 0));
  if (!target.valid()) return LastError();
  return DescribeOpen(target.get(), false, info);
}

// The layout FSCTL_GET_REPARSE_POINT returns for a symbolic link; names are
// UTF-16 at byte offsets from `names`, without terminating zeros.
struct SymbolicLinkReparseData {
  ULONG tag;
  USHORT dataLength;
  USHORT reserved;
  USHORT substituteNameOffset;
  USHORT substituteNameLength;
  USHORT printNameOffset;
  USHORT printNameLength;
  ULONG flags;
  // WCHAR names[] follows.
};
static_assert(sizeof(SymbolicLinkReparseData) == 20,
              "the names start 20 bytes into the reparse data");

// The target stored in the symbolic link at `path`.
FileError ReadSymbolicLink(const std::string& path, std::string* target) {
  std::wstring wide;
  if (!SystemPath(path, &wide)) return FileError::kBadName;
  ScopedHandle link(OpenHandleToInspect(wide, 0, FILE_FLAG_OPEN_REPARSE_POINT));
  if (!link.valid()) return LastError();
  std::vector<char> buffer(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  DWORD bytes = 0;
  if (!::DeviceIoControl(link.get(), FSCTL_GET_REPARSE_POINT, nullptr, 0,
                         buffer.data(), static_cast<DWORD>(buffer.size()),
                         &bytes, nullptr)) {
    return LastError();
  }
  if (bytes < sizeof(SymbolicLinkReparseData)) return FileError::kInvalid;
  SymbolicLinkReparseData header;
  std::memcpy(&header, buffer.data(), sizeof header);
  if (header.tag != IO_REPARSE_TAG_SYMLINK) return FileError::kInvalid;
  const char* names = buffer.data() + sizeof header;
  const size_t namesBytes = bytes - sizeof header;
  auto name = [&](USHORT offset, USHORT length, std::wstring* out) {
    if (size_t{offset} + length > namesBytes) return false;
    out->assign(length / sizeof(wchar_t), L'\0');
    std::memcpy(out->data(), names + offset, out->size() * sizeof(wchar_t));
    return true;
  };
  // The print name is the target as it was given; the substitute name is
  // what the system follows, "\??\C:\..." for an absolute target.
  std::wstring stored;
  if (!name(header.printNameOffset, header.printNameLength, &stored)) {
    return FileError::kInvalid;
  }
  if (stored.empty()) {
    if (!name(header.substituteNameOffset, header.substituteNameLength,
              &stored)) {
      return FileError::kInvalid;
    }
    if (stored.rfind(L"\\??\\UNC\\", 0) == 0) {
      stored.replace(0, 8, L"\\\\");
    } else if (stored.rfind(L"\\??\\", 0) == 0) {
      stored.erase(0, 4);
    }
  }
  *target = Narrow(stored);
  return FileError::kNone;
}

// Reads up to `size` bytes; `*read` is 0 at the end, also when a pipe's
// writer has gone.
FileError ReadSome(HANDLE handle, char* buffer, size_t size, size_t* read) {
  DWORD n = 0;
  *read = 0;
  if (!::ReadFile(handle, buffer, static_cast<DWORD>(size), &n, nullptr)) {
    DWORD error = ::GetLastError();
    if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) {
      return FileError::kNone;
    }
    return FromSystemError(error);
  }
  *read = n;
  return FileError::kNone;
}

class Win32FileSystem final : public FileSystem {
 public:
  FileError CreateNew(const std::string& path, Handle* handle) override {
    // Readable by others while written, and removable by the interrupt
    // clean-up. A new file takes the access list its folder hands down.
    return Open(path, FILE_SHARE_READ | FILE_SHARE_DELETE, CREATE_NEW, handle);
  }

  // A new file's access list comes from its folder; there are no
  // permission bits to ask for.
  FileError CreateNew(const std::string& path, uint32_t,
                      Handle* handle) override {
    return CreateNew(path, handle);
  }

  FileError OpenToInspect(const std::string& path, bool followLinks,
                          Handle* handle, FileInfo* info) override {
    std::wstring wide;
    if (!SystemPath(path, &wide)) return FileError::kBadName;
    std::wstring full;
    const PathKind kind = Classify(wide, &full);
    HANDLE file = INVALID_HANDLE_VALUE;
    if (kind != PathKind::kFile) {
      // Looked at without being opened: ReopenForWriting opens it.
      FileError error = StatDevice(kind, full, info);
      if (error != FileError::kNone) return error;
    } else {
      file = OpenHandleToInspect(
          wide, FILE_READ_ATTRIBUTES,
          followLinks ? DWORD{0} : DWORD{FILE_FLAG_OPEN_REPARSE_POINT});
      if (file == INVALID_HANDLE_VALUE) return LastError();
      const bool link =
          !followLinks && ReparseTag(wide) == IO_REPARSE_TAG_SYMLINK;
      FileError error = DescribeOpen(file, link, info);
      if (error != FileError::kNone) {
        ::CloseHandle(file);
        return error;
      }
    }
    return Keep(file, wide, handle);
  }

  // Windows reopens the file by the path it was looked at under: the
  // handle given by OpenToInspect holds the file, and its sharing keeps it
  // from being removed meanwhile. A pipe's open never waits.
  FileError ReopenForWriting(Handle inspected, bool, Handle* handle) override {
    std::wstring path;
    if (!handles_.PathOf(inspected, &path)) return FileError::kBadHandle;
    return Open(Narrow(path), FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                handle);
  }

  FileError Duplicate(Handle handle, Handle* copy) override {
    std::wstring path;
    HANDLE file = handles_.Get(handle);
    if (file == INVALID_HANDLE_VALUE || !handles_.PathOf(handle, &path)) {
      return FileError::kBadHandle;
    }
    HANDLE twin = INVALID_HANDLE_VALUE;
    if (!::DuplicateHandle(::GetCurrentProcess(), file, ::GetCurrentProcess(),
                           &twin, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
      return LastError();
    }
    return Keep(twin, path, copy);
  }

  FileError OpenForReading(const std::string& path, const ReadOptions& options,
                           Handle* handle, FileInfo* info) override {
    std::wstring wide;
    if (!SystemPath(path, &wide)) return FileError::kBadName;
    const DWORD flags =
        FILE_FLAG_SEQUENTIAL_SCAN |
        (options.followLinks ? DWORD{0} : DWORD{FILE_FLAG_OPEN_REPARSE_POINT});
    HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr,
                                OPEN_EXISTING, flags, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      FileError error = LastError();
      // A folder refuses a plain open as access denied.
      DWORD attributes = ::GetFileAttributesW(wide.c_str());
      if (error == FileError::kAccessDenied &&
          attributes != INVALID_FILE_ATTRIBUTES &&
          (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = FileError::kIsDirectory;
      }
      return error;
    }
    FileError error = DescribeOpen(file, false, info);
    if (error == FileError::kNone && !options.followLinks &&
        ReparseTag(wide) == IO_REPARSE_TAG_SYMLINK) {
      error = FileError::kLoop;
    }
    if (error != FileError::kNone) {
      ::CloseHandle(file);
      return error;
    }
    return Keep(file, wide, handle);
  }

  FileError Read(Handle handle, void* data, size_t size, size_t* got) override {
    *got = 0;
    HANDLE file = handles_.Get(handle);
    if (file == INVALID_HANDLE_VALUE) return FileError::kBadHandle;
    constexpr size_t kMaxPerCall = size_t{1} << 30;
    return ReadSome(file, static_cast<char*>(data),
                    size < kMaxPerCall ? size : kMaxPerCall, got);
  }

  FileError LockExclusive(Handle handle) override {
    HANDLE file = handles_.Get(handle);
    if (file == INVALID_HANDLE_VALUE) return FileError::kBadHandle;
    OVERLAPPED whole;
    std::memset(&whole, 0, sizeof whole);
    return ::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD,
                        &whole)
               ? FileError::kNone
               : LastError();
  }

  FileError OpenInPlace(const std::string& path, Handle* handle) override {
    // OPEN_EXISTING: a target that vanished is not created as a plain file.
    return Open(path, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                handle);
  }

  FileError Write(Handle handle, const void* data, size_t size,
                  size_t* written) override {
    *written = 0;
    HANDLE file = handles_.Get(handle);
    if (file == INVALID_HANDLE_VALUE) return FileError::kBadHandle;
    // One call writes at most what a DWORD counts; the caller writes the
    // rest.
    constexpr size_t kMaxPerCall = size_t{1} << 30;
    DWORD n = 0;
    if (!::WriteFile(
            file, data,
            static_cast<DWORD>(size < kMaxPerCall ? size : kMaxPerCall), &n,
            nullptr)) {
      return LastError();
    }
    *written = n;
    return FileError::kNone;
  }

  FileError Sync(Handle handle) override {
    HANDLE file = handles_.Get(handle);
    if (file == INVALID_HANDLE_VALUE) return FileError::kBadHandle;
    return ::FlushFileBuffers(file) ? FileError::kNone : LastError();
  }

  FileError Close(Handle handle) override {
    HANDLE file = INVALID_HANDLE_VALUE;
    if (!handles_.Take(handle, &file)) return FileError::kBadHandle;
    // A device only looked at has no system handle.
    if (file == INVALID_HANDLE_VALUE) return FileError::kNone;
    return ::CloseHandle(file) ? FileError::kNone : LastError();
  }

  // A file's owner is not given away, and its access list is carried over
  // by Rename: nothing to set on the sibling.
  FileError SetOwner(Handle handle, uint32_t, uint32_t) override {
    return handles_.Get(handle) != INVALID_HANDLE_VALUE ? FileError::kNone
                                                        : FileError::kBadHandle;
  }

  FileError SetPermissions(Handle handle, uint32_t) override {
    return handles_.Get(handle) != INVALID_HANDLE_VALUE ? FileError::kNone
                                                        : FileError::kBadHandle;
  }

  // Over an existing file, ReplaceFileW: the file at `to` takes the new
  // content and keeps its access list, creation time and other streams. A
  // read-only file at `to` refuses the replacement (kAccessDenied), as it
  // refuses every write; so does a file another program holds without
  // sharing its removal for longer than Patience waits (kBusy).
  //
  // The replaced file moves aside to a backup name of its folder first, and
  // the backup is removed once the new file is in place. Whatever fails
  // after the replaced file moved (ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 leaves
  // the new file under its own name), the backup is put back: the path never
  // ends up holding nothing.
  FileError Rename(const std::string& from, const std::string& to) override {
    std::wstring source, target;
    if (!SystemPath(from, &source) || !SystemPath(to, &target)) {
      return FileError::kBadName;
    }
    // Full paths: ReplaceFileW of some systems finds no folder for the file
    // it moves aside in a relative name.
    source = FullPath(source);
    target = FullPath(target);
    // The console's clean-up waits until the path holds a file again.
    host::InterruptsHeldBack held;
    Patience patience;
    // Whether the file at `to` lets itself be replaced, asked before
    // anything moves: ReplaceFileW of some systems first moves the replaced
    // file aside, and leaves a file behind when that fails.
    DWORD error = ERROR_SUCCESS;
    for (;;) {
      ScopedHandle replaced(::CreateFileW(target.c_str(), DELETE, kShareAll,
                                          nullptr, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS, nullptr));
      if (replaced.valid()) {
        error = ERROR_SUCCESS;
        break;
      }
      error = ::GetLastError();
      if (!patience.WaitAfter(error, target)) break;
    }
    if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) {
      return FromSystemError(error);
    }
    if (error == ERROR_SUCCESS) {
      for (;;) {
        std::wstring backup;
        error = ReserveBackup(target, &backup);
        if (error != ERROR_SUCCESS) return FromSystemError(error);
        if (win32::ReplaceFileFunction()(
                target.c_str(), source.c_str(), backup.c_str(),
                REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
          // The previous content is no longer needed; a backup that cannot
          // be removed is only a leftover.
          RemoveFile(backup, &patience);
          return FileError::kNone;
        }
        error = ::GetLastError();
        const DWORD restored = PutBack(backup, target, &patience);
        if (restored != ERROR_SUCCESS) return FromSystemError(restored);
        if (!patience.WaitAfter(error, target)) break;
      }
      if (!ReplaceFileUnavailable(error, target)) {
        return FromSystemError(error);
      }
      // The volume cannot replace a file (or the file at `to` went away
      // meanwhile): a plain move still puts the new content in place, at
      // once, with the access list its folder hands down.
    }
    const DWORD moved = MoveOver(source, target, &patience);
    return moved == ERROR_SUCCESS ? FileError::kNone : FromSystemError(moved);
  }

  FileError Remove(const std::string& path) override {
    std::wstring wide;
    if (!SystemPath(path, &wide)) return FileError::kBadName;
    Patience patience;
    DWORD code = RemoveFile(wide, &patience);
    if (code == ERROR_SUCCESS) return FileError::kNone;
    FileError error = FromSystemError(code);
    // A folder refuses as access denied.
    DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (error == FileError::kAccessDenied &&
        attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return FileError::kIsDirectory;
    }
    return error;
  }

  // MOVEFILE_WRITE_THROUGH has flushed the move; a folder cannot be
  // flushed on its own.
  FileError SyncParentDirectory(const std::string&) override {
    return FileError::kNone;
  }

  FileError Stat(const std::string& path, FileInfo* info) override {
    return StatPath(path, true, info);
  }

  FileError LinkStat(const std::string& path, FileInfo* info) override {
    return StatPath(path, false, info);
  }

  FileError ReadLink(const std::string& path, std::string* target) override {
    target->clear();
    return ReadSymbolicLink(path, target);
  }

  bool Exists(const std::string& path) override {
    FileInfo info;
    return StatPath(path, true, &info) == FileError::kNone;
  }

  bool IsDirectory(const std::string& path) override {
    FileInfo info;
    return StatPath(path, true, &info) == FileError::kNone &&
           info.kind == FileKind::kDirectory;
  }

  FileError ReadFile(const std::string& path, size_t maxBytes,
                     std::string* contents) override {
    return ReadNamedFile(*this, path, maxBytes, contents);
  }

  FileError ReadFileInPieces(const std::string& path, size_t maxBytes,
                             const ChunkSink& sink) override {
    return ReadNamedFileInPieces(*this, path, maxBytes, sink);
  }

  FileError Rewind(Handle handle) override {
    HANDLE file = handles_.Get(handle);
    if (file == INVALID_HANDLE_VALUE) return FileError::kBadHandle;
    LARGE_INTEGER start;
    start.QuadPart = 0;
    return ::SetFilePointerEx(file, start, nullptr, FILE_BEGIN)
               ? FileError::kNone
               : LastError();
  }

 private:
  FileError Open(const std::string& path, DWORD share, DWORD disposition,
                 Handle* handle) {
    std::wstring wide;
    if (!SystemPath(path, &wide)) return FileError::kBadName;
    HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_WRITE, share, nullptr,
                                disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return LastError();
    return Keep(file, wide, handle);
  }

  // Numbers `file` (INVALID_HANDLE_VALUE: a device only looked at).
  FileError Keep(HANDLE file, const std::wstring& path, Handle* handle) {
    int id = handles_.Add(file, path);
    if (id < 0) {
      if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
      return FileError::kTooManyOpenFiles;
    }
    *handle = id;
    return FileError::kNone;
  }

  // Reserves a name beside `target` for the file it replaces while the
  // replacement moves in: short whatever the target's name, in the form of
  // the replacements' siblings, and created empty and exclusively, so that a
  // file, folder or link already at a name is never touched (the next name
  // is taken). ReplaceFileW then moves the replaced file over it.
  static DWORD ReserveBackup(const std::wstring& target, std::wstring* backup) {
    static std::atomic<unsigned long> counter{0};
    const std::wstring stem =
        target.substr(0, target.find_last_of(L"\\/") + 1) + L".~" +
        std::to_wstring(::GetCurrentProcessId()) + L"-";
    for (int attempt = 0;; ++attempt) {
      *backup = stem + std::to_wstring(counter++) + L".old";
      ScopedHandle made(::CreateFileW(backup->c_str(), GENERIC_WRITE, kShareAll,
                                      nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
      if (made.valid()) return ERROR_SUCCESS;
      const DWORD error = ::GetLastError();
      // A folder at the name refuses as access denied.
      if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS &&
           error != ERROR_ACCESS_DENIED) ||
          attempt >= 100) {
        return error;
      }
    }
  }

  // After a failed replacement: when the replaced file has moved to
  // `backup` and nothing took its place, puts it back at `target`; when the
  // replaced file is still at `target`, removes the reserved backup name.
  // The system's error code of putting it back; ERROR_SUCCESS also when
  // there was nothing to put back.
  static DWORD PutBack(const std::wstring& backup, const std::wstring& target,
                       Patience* patience) {
    if (IsThere(target)) {
      RemoveFile(backup, patience);
      return ERROR_SUCCESS;
    }
    if (!IsThere(backup)) return ERROR_SUCCESS;
    return MoveOver(backup, target, patience);
  }

  // True when ReplaceFileW failed for want of support rather than because
  // the files refused, so that a plain move may be tried: the volume (FAT,
  // some network shares) lacks what it needs, or the file it was to
  // replace is gone.
  static bool ReplaceFileUnavailable(DWORD error, const std::wstring& target) {
    switch (error) {
      case ERROR_INVALID_FUNCTION:
      case ERROR_NOT_SUPPORTED:
      case ERROR_INVALID_PARAMETER:
      case ERROR_CALL_NOT_IMPLEMENTED:
        return true;
      case ERROR_FILE_NOT_FOUND:
      case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
        // The file to be replaced went away meanwhile (its backup, when
        // there was one, is already back): the new one is better moved into
        // place than lost.
        return !IsThere(target);
      default:
        return false;
    }
  }

  HandleTable handles_;
};

// ------------------------------------------------------ interrupt clean-up

// Held shared by every thread between creating a sibling and noting it (and
// while a replacement's file is away from its path), and exclusively by the
// clean-up, which therefore never misses a sibling that exists.
SRWLOCK g_interruptLock = SRWLOCK_INIT;

// Longest native path the slots of the pending siblings hold, in bytes with
// the terminating zero; its UTF-16 form has at most as many units.
constexpr size_t kMaxPendingPathUnits = 4096;

// `nativePath` is in the system's form already ("\\?\" when long).
void RemoveSibling(const char* nativePath) {
  wchar_t wide[kMaxPendingPathUnits];
  if (::MultiByteToWideChar(CP_UTF8, 0, nativePath, -1, wide,
                            static_cast<int>(kMaxPendingPathUnits)) > 0) {
    // A sibling still open is removed when its handle closes, which
    // ending the process does.
    ::DeleteFileW(wide);
  }
}

}  // namespace

// The form the system takes at any length; a name that is not UTF-8 is
// refused by every operation, and stays as it is here.
std::string NativePath(std::string_view path) {
  std::wstring wide;
  return SystemPath(path, &wide) ? Narrow(wide) : std::string(path);
}

namespace win32 {

ReplaceFileCall& ReplaceFileFunction() {
  static ReplaceFileCall function = &::ReplaceFileW;
  return function;
}

// Runs on a thread of its own, which the system starts for the event.
int __stdcall RemovePendingSiblingsOnEvent(unsigned long event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      break;
    default:
      // A service sees every user's log-off: no reason to stop writing.
      return FALSE;
  }
  // Taken for good: a thread about to create a sibling waits for it, and
  // the process ends meanwhile, so no sibling is created once the clean-up
  // has started. A second event waits here as well.
  ::AcquireSRWLockExclusive(&g_interruptLock);
  host::ForEachPendingSibling(RemoveSibling);
  // Not handled: the next handler, in the end the system's, ends the
  // process.
  return FALSE;
}

}  // namespace win32

FileSystem* FileSystem::Default() {
  static Win32FileSystem win32;
  return &win32;
}

namespace host {

// Nested holds on one thread are not allowed: a waiting clean-up would keep
// the second from being granted.
InterruptsHeldBack::InterruptsHeldBack() {
  if (!InterruptCleanupInstalled()) return;
  ::AcquireSRWLockShared(&g_interruptLock);
  held_ = true;
}

InterruptsHeldBack::~InterruptsHeldBack() {
  if (held_) ::ReleaseSRWLockShared(&g_interruptLock);
}

unsigned long ProcessId() { return ::GetCurrentProcessId(); }

bool IsAbsoluteLinkTarget(const std::string& target) {
  if (!target.empty() && (target.front() == '/' || target.front() == '\\')) {
    return true;
  }
  return target.size() >= 3 &&
         std::isalpha(static_cast<unsigned char>(target[0])) &&
         target[1] == ':' && (target[2] == '\\' || target[2] == '/');
}

// Windows has no creation mask: a new file's access list comes from its
// folder.
uint32_t CreationMask() { return 0; }

void InstallInterruptHandlers() {
  ::SetConsoleCtrlHandler(win32::RemovePendingSiblingsOnEvent, TRUE);
}

}  // namespace host
}  // namespace devseries::platform
