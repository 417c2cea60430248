// The file system of POSIX systems: the seam's operations on file
// descriptors, errno mapped to FileError in one place, and the interrupt
// clean-up on SIGINT, SIGTERM and SIGHUP.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string_view>
#include <vector>

#include "devseries/platform/file_system.h"
#include "devseries/platform/host_internal.h"

namespace devseries::platform {
namespace {

// The one place that turns an error number of the system into the error of
// the file seam.
FileError FromErrno(int error) {
  switch (error) {
    case 0:
      return FileError::kNone;
    case ENOENT:
      return FileError::kNotFound;
    case EEXIST:
      return FileError::kExists;
    case EACCES:
      return FileError::kAccessDenied;
    case EISDIR:
      return FileError::kIsDirectory;
    case ENOTDIR:
      return FileError::kNotDirectory;
    case ENOSPC:
      return FileError::kNoSpace;
    case EFBIG:
    case EOVERFLOW:
      return FileError::kTooLarge;
    case EINTR:
      return FileError::kInterrupted;
    case ELOOP:
      return FileError::kLoop;
    case EBADF:
      return FileError::kBadHandle;
    case EROFS:
      return FileError::kReadOnly;
    case EINVAL:
      return FileError::kInvalid;
    case EPERM:
      return FileError::kNotPermitted;
    case EIO:
      return FileError::kIo;
    case ENAMETOOLONG:
      return FileError::kNameTooLong;
    case EXDEV:
      return FileError::kCrossDevice;
    case EBUSY:
      return FileError::kBusy;
    case EMFILE:
    case ENFILE:
      return FileError::kTooManyOpenFiles;
    case EDQUOT:
      return FileError::kQuotaExceeded;
    case ENOMEM:
      return FileError::kNoMemory;
    case EPIPE:
      return FileError::kBrokenPipe;
    case ENXIO:
    case ENODEV:
      return FileError::kNoDevice;
    case ETXTBSY:
      return FileError::kTextFileBusy;
    case ENOTSUP:
#if EOPNOTSUPP != ENOTSUP
    case EOPNOTSUPP:
#endif
      return FileError::kNotSupported;
    default:
      return FileError::kOther;
  }
}

// The error of the system call that just failed.
FileError LastError() { return errno != 0 ? FromErrno(errno) : FileError::kIo; }

void Describe(const struct stat& st, FileInfo* info) {
  info->kind = S_ISREG(st.st_mode)   ? FileKind::kRegular
               : S_ISDIR(st.st_mode) ? FileKind::kDirectory
               : S_ISLNK(st.st_mode) ? FileKind::kSymbolicLink
                                     : FileKind::kOther;
  info->permissions = static_cast<uint32_t>(st.st_mode & 07777);
  info->owner = static_cast<uint32_t>(st.st_uid);
  info->group = static_cast<uint32_t>(st.st_gid);
  info->size =
      S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : uint64_t{0};
  info->device = static_cast<uint64_t>(st.st_dev);
  info->inode = static_cast<uint64_t>(st.st_ino);
}

// Opens a descriptor that names a file without reading or writing it.
#ifdef O_PATH
constexpr int kInspectFlags = O_PATH | O_CLOEXEC;
#else
constexpr int kInspectFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
#endif

// The name under which the kernel reopens the very file an open descriptor
// refers to, without looking its path up again.
std::string DescriptorPath(int fd) {
  return "/proc/self/fd/" + std::to_string(fd);
}

// Takes O_NONBLOCK off an open descriptor, so its reads and writes wait as
// usual.
FileError MakeBlocking(int fd) {
  int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return LastError();
  if ((flags & O_NONBLOCK) == 0) return FileError::kNone;
  return ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 ? FileError::kNone
                                                        : LastError();
}

// The decimal number `text` spells, without sign or leading zeros beyond a
// lone "0"; -1 when it spells none.
long ParseNumber(std::string_view text) {
  if (text.empty() || text.size() > 9) return -1;
  if (text.size() > 1 && text.front() == '0') return -1;
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// The descriptor number `path` names as one of the process's own ("/dev/fd/3",
// "/proc/self/fd/3", "/proc/<own pid>/fd/3", "/dev/stdout"); -1 for any
// other path. Text only: whether the descriptor is open is asked after.
long DescriptorNamedBy(std::string path) {
  // "//dev///stdout" is "/dev/stdout" to the kernel.
  std::string collapsed;
  for (char c : path) {
    if (c == '/' && !collapsed.empty() && collapsed.back() == '/') continue;
    collapsed.push_back(c);
  }
  std::string_view name(collapsed);
  if (name == "/dev/stdin") return 0;
  if (name == "/dev/stdout") return 1;
  if (name == "/dev/stderr") return 2;
  for (std::string_view folder :
       {"/dev/fd/", "/proc/self/fd/", "/proc/thread-self/fd/"}) {
    if (name.substr(0, folder.size()) == folder) {
      return ParseNumber(name.substr(folder.size()));
    }
  }
  constexpr std::string_view kProc = "/proc/";
  if (name.substr(0, kProc.size()) != kProc) return -1;
  name.remove_prefix(kProc.size());
  size_t slash = name.find('/');
  if (slash == std::string_view::npos) return -1;
  long pid = ParseNumber(name.substr(0, slash));
  if (pid < 0 || pid != static_cast<long>(::getpid())) return -1;
  name.remove_prefix(slash);
  constexpr std::string_view kFd = "/fd/";
  if (name.substr(0, kFd.size()) != kFd) return -1;
  return ParseNumber(name.substr(kFd.size()));
}

// The names of the extended attributes of the file at `path` (a
// /proc/self/fd name: an O_PATH descriptor refuses flistxattr).
FileError ListAttributes(const std::string& path,
                         std::vector<std::string>* names) {
  names->clear();
  std::vector<char> buffer;
  for (;;) {
    ssize_t size = ::listxattr(path.c_str(), nullptr, 0);
    if (size < 0) {
      // A file system without extended attributes has none to keep.
      return errno == ENOTSUP ? FileError::kNone : LastError();
    }
    buffer.resize(static_cast<size_t>(size) + 1);
    ssize_t got = ::listxattr(path.c_str(), buffer.data(), buffer.size());
    if (got < 0 && errno == ERANGE) continue;  // grew meanwhile
    if (got < 0) return LastError();
    for (size_t at = 0; at < static_cast<size_t>(got);) {
      std::string name(buffer.data() + at);
      at += name.size() + 1;
      if (!name.empty()) names->push_back(std::move(name));
    }
    return FileError::kNone;
  }
}

FileError GetAttribute(const std::string& path, const std::string& name,
                       std::vector<char>* value) {
  for (;;) {
    ssize_t size = ::getxattr(path.c_str(), name.c_str(), nullptr, 0);
    if (size < 0) return LastError();
    value->resize(static_cast<size_t>(size));
    ssize_t got =
        ::getxattr(path.c_str(), name.c_str(), value->data(), value->size());
    if (got < 0 && errno == ERANGE) continue;
    if (got < 0) return LastError();
    value->resize(static_cast<size_t>(got));
    return FileError::kNone;
  }
}

bool StartsWith(const std::string& text, std::string_view prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// The kernel's binary form of an access list: a 4-byte version (2), then
// entries of {u16 tag, u16 permissions, u32 id}, little-endian.
constexpr uint16_t kAclGroupObject = 0x04;

// Takes every permission from the access list's owning-group entry: the
// file has a group the replaced one did not have, whose members must not
// gain what the replaced file's group had.
void ClearOwningGroupEntry(std::vector<char>* acl) {
  for (size_t at = 4; at + 8 <= acl->size(); at += 8) {
    unsigned char* entry = reinterpret_cast<unsigned char*>(acl->data() + at);
    uint16_t tag = static_cast<uint16_t>(entry[0] | (entry[1] << 8));
    if (tag == kAclGroupObject) entry[2] = entry[3] = 0;
  }
}

class PosixFileSystem : public FileSystem {
 public:
  FileError CreateNew(const std::string& path, Handle* handle) override {
    int fd = ::open(NativePath(path).c_str(),
                    O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return LastError();
    *handle = fd;
    return FileError::kNone;
  }

  FileError CreateNew(const std::string& path, uint32_t permissions,
                      Handle* handle) override {
    // The kernel takes the umask, or the folder's default access list, off
    // `permissions`, as for any new file.
    int fd = ::open(NativePath(path).c_str(),
                    O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                    static_cast<mode_t>(permissions & 07777));
    if (fd < 0) return LastError();
    *handle = fd;
    return FileError::kNone;
  }

  FileError OpenToInspect(const std::string& path, bool followLinks,
                          Handle* handle, FileInfo* info) override {
    int fd = ::open(NativePath(path).c_str(),
                    kInspectFlags | (followLinks ? 0 : O_NOFOLLOW));
    if (fd < 0) return LastError();
    struct stat st;
    if (::fstat(fd, &st) != 0) {
      FileError error = LastError();
      ::close(fd);
      return error;
    }
    Describe(st, info);
    *handle = fd;
    return FileError::kNone;
  }

  FileError ReopenForWriting(Handle inspected, bool nonBlocking,
                             Handle* handle) override {
    // O_NOCTTY: writing to a terminal does not make it ours. No O_CREAT: the
    // file is there, held by `inspected`.
    int fd = ::open(
        DescriptorPath(inspected).c_str(),
        O_WRONLY | O_NOCTTY | O_CLOEXEC | (nonBlocking ? O_NONBLOCK : 0));
    if (fd < 0) return LastError();
    FileError error = MakeBlocking(fd);
    if (error != FileError::kNone) {
      ::close(fd);
      return error;
    }
    *handle = fd;
    return FileError::kNone;
  }

  bool NamesOwnHandle(const std::string& path, Handle* which) override {
    long fd = DescriptorNamedBy(NativePath(path));
    if (fd < 0 || ::fcntl(static_cast<int>(fd), F_GETFD) < 0) return false;
    *which = static_cast<Handle>(fd);
    return true;
  }

  FileError Duplicate(Handle handle, Handle* copy) override {
    int fd = ::fcntl(handle, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return LastError();
    *copy = fd;
    return FileError::kNone;
  }

  // Which attributes are carried over, and why:
  //   system.posix_acl_access, user.*: what the owner set; must be kept.
  //   security.*: kept, except security.capability (privileges granted to
  //     the old program's bytes, which the kernel drops on any write) and
  //     security.ima and security.evm (measurements of the old bytes).
  //     security.selinux that cannot be set is passed over: the new file
  //     then has the label the policy gives new files in that folder, the
  //     folder the replaced file was created in.
  //   trusted.*: kept where the process may (with CAP_SYS_ADMIN); without
  //     it they cannot even be listed, and nothing is lost that we saw.
  //   system.posix_acl_default: folders only.
  FileError CopyExtendedAttributes(Handle from, Handle to) override {
    const std::string source = DescriptorPath(from);
    std::vector<std::string> names;
    FileError error = ListAttributes(source, &names);
    if (error != FileError::kNone) return error;
    if (names.empty()) return FileError::kNone;
    struct stat was, now;
    if (::stat(source.c_str(), &was) != 0 || ::fstat(to, &now) != 0) {
      return LastError();
    }
    for (const std::string& name : names) {
      if (name == "security.capability" || name == "security.ima" ||
          name == "security.evm" || name == "system.posix_acl_default") {
        continue;
      }
      std::vector<char> value;
      error = GetAttribute(source, name, &value);
      if (error == FileError::kNotFound) continue;  // removed meanwhile
      if (error != FileError::kNone) return error;
      if (name == "system.posix_acl_access" && was.st_gid != now.st_gid) {
        ClearOwningGroupEntry(&value);
      }
      if (::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) == 0) {
        continue;
      }
      const int why = errno;
      if (name == "security.selinux") continue;
      if (StartsWith(name, "trusted.") && (why == EPERM || why == EACCES)) {
        continue;
      }
      return FromErrno(why);
    }
    return FileError::kNone;
  }

  uint32_t EffectiveUser() override {
    return static_cast<uint32_t>(::geteuid());
  }

  FileError OpenForReading(const std::string& path, const ReadOptions& options,
                           Handle* handle, FileInfo* info) override {
    if (options.followLinks && EffectiveUser() == 0) {
      // The kernel follows links of anyone; root follows only its own.
      std::string ignored;
      FileError error = ResolveLinks(*this, path, &ignored);
      if (error != FileError::kNone) return error;
    }
    int fd = ::open(NativePath(path).c_str(),
                    O_RDONLY | O_NOCTTY | O_CLOEXEC |
                        (options.followLinks ? 0 : O_NOFOLLOW) |
                        (options.nonBlocking ? O_NONBLOCK : 0));
    if (fd < 0) return LastError();
    struct stat st;
    FileError error = ::fstat(fd, &st) == 0 ? FileError::kNone : LastError();
    if (error == FileError::kNone) error = MakeBlocking(fd);
    if (error != FileError::kNone) {
      ::close(fd);
      return error;
    }
    Describe(st, info);
    *handle = fd;
    return FileError::kNone;
  }

  FileError Read(Handle handle, void* data, size_t size, size_t* got) override {
    *got = 0;
    ssize_t n = ::read(handle, data, size);
    if (n < 0) return LastError();
    *got = static_cast<size_t>(n);
    return FileError::kNone;
  }

  FileError LockExclusive(Handle handle) override {
    while (::flock(handle, LOCK_EX) != 0) {
      if (errno != EINTR) return LastError();
    }
    return FileError::kNone;
  }

  FileError OpenInPlace(const std::string& path, Handle* handle) override {
    // No O_CREAT: a target that vanished is not created as a plain file.
    // O_NOCTTY: writing to a terminal does not make it ours.
    int fd = ::open(NativePath(path).c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return LastError();
    *handle = fd;
    return FileError::kNone;
  }

  FileError Write(Handle handle, const void* data, size_t size,
                  size_t* written) override {
    *written = 0;
    ssize_t n = ::write(handle, data, size);
    if (n < 0) return LastError();
    *written = static_cast<size_t>(n);
    return FileError::kNone;
  }

  FileError Sync(Handle handle) override {
    return ::fsync(handle) == 0 ? FileError::kNone : LastError();
  }

  FileError Close(Handle handle) override {
    return ::close(handle) == 0 ? FileError::kNone : LastError();
  }

  FileError SetOwner(Handle handle, uint32_t owner, uint32_t group) override {
    static_assert(static_cast<uid_t>(kUnchangedId) == static_cast<uid_t>(-1) &&
                  static_cast<gid_t>(kUnchangedId) == static_cast<gid_t>(-1));
    return ::fchown(handle, static_cast<uid_t>(owner),
                    static_cast<gid_t>(group)) == 0
               ? FileError::kNone
               : LastError();
  }

  FileError SetPermissions(Handle handle, uint32_t permissions) override {
    return ::fchmod(handle, static_cast<mode_t>(permissions & 07777)) == 0
               ? FileError::kNone
               : LastError();
  }

  FileError Rename(const std::string& from, const std::string& to) override {
    return ::rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0
               ? FileError::kNone
               : LastError();
  }

  FileError Remove(const std::string& path) override {
    return ::unlink(NativePath(path).c_str()) == 0 ? FileError::kNone
                                                   : LastError();
  }

  FileError SyncParentDirectory(const std::string& path) override {
    std::string native = NativePath(path);
    size_t slash = native.rfind('/');
    std::string dir = slash == std::string::npos ? std::string(".")
                      : slash == 0               ? std::string("/")
                                                 : native.substr(0, slash);
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return LastError();
    FileError result = ::fsync(fd) == 0 ? FileError::kNone : LastError();
    ::close(fd);
    return result;
  }

  FileError Stat(const std::string& path, FileInfo* info) override {
    struct stat st;
    if (::stat(NativePath(path).c_str(), &st) != 0) return LastError();
    Describe(st, info);
    return FileError::kNone;
  }

  FileError LinkStat(const std::string& path, FileInfo* info) override {
    struct stat st;
    if (::lstat(NativePath(path).c_str(), &st) != 0) return LastError();
    Describe(st, info);
    return FileError::kNone;
  }

  FileError ReadLink(const std::string& path, std::string* target) override {
    target->clear();
    std::string native = NativePath(path);
    std::string buffer(256, '\0');
    for (;;) {
      ssize_t n = ::readlink(native.c_str(), buffer.data(), buffer.size());
      if (n < 0) return LastError();
      // A result that fills the buffer may have been cut short.
      if (static_cast<size_t>(n) < buffer.size()) {
        buffer.resize(static_cast<size_t>(n));
        *target = std::move(buffer);
        return FileError::kNone;
      }
      if (buffer.size() >= (size_t{1} << 20)) return FileError::kNameTooLong;
      buffer.resize(buffer.size() * 2);
    }
  }

  bool Exists(const std::string& path) override {
    struct stat st;
    return ::stat(NativePath(path).c_str(), &st) == 0;
  }

  bool IsDirectory(const std::string& path) override {
    struct stat st;
    return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
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
    return ::lseek(handle, 0, SEEK_SET) == 0 ? FileError::kNone : LastError();
  }
};

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

void RemoveFile(const char* path) { ::unlink(path); }

// Async-signal-safe: atomics, unlink, sigaction and raise only.
void RemovePendingSiblingsAndDie(int signal) {
  int savedErrno = errno;
  host::ForEachPendingSibling(RemoveFile);
  struct sigaction byDefault;
  std::memset(&byDefault, 0, sizeof byDefault);
  byDefault.sa_handler = SIG_DFL;
  sigemptyset(&byDefault.sa_mask);
  ::sigaction(signal, &byDefault, nullptr);
  errno = savedErrno;
  // Blocked while this handler runs; delivered, with the default action,
  // as soon as it returns.
  ::raise(signal);
}

}  // namespace

std::string NativePath(std::string_view path) {
  std::string native(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

FileSystem* FileSystem::Default() {
  static PosixFileSystem posix;
  return &posix;
}

namespace host {

InterruptsHeldBack::InterruptsHeldBack() {
  static_assert(sizeof(sigset_t) <= sizeof saved_ && alignof(sigset_t) <= 16);
  if (!InterruptCleanupInstalled()) return;
  sigset_t set;
  sigemptyset(&set);
  for (int signal : kCleanupSignals) sigaddset(&set, signal);
  held_ = ::pthread_sigmask(SIG_BLOCK, &set,
                            reinterpret_cast<sigset_t*>(saved_)) == 0;
}

InterruptsHeldBack::~InterruptsHeldBack() {
  if (held_) {
    ::pthread_sigmask(SIG_SETMASK, reinterpret_cast<sigset_t*>(saved_),
                      nullptr);
  }
}

unsigned long ProcessId() { return static_cast<unsigned long>(::getpid()); }

bool IsAbsoluteLinkTarget(const std::string& target) {
  return !target.empty() && target.front() == '/';
}

// The process's file mode creation mask. Read from /proc, which leaves it
// alone; where /proc cannot tell, umask() is set and restored under a lock
// (which can race only with a thread creating a file at that moment).
uint32_t CreationMask() {
  int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    char buffer[4096];
    size_t used = 0;
    for (;;) {
      ssize_t n = ::read(fd, buffer + used, sizeof buffer - 1 - used);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      used += static_cast<size_t>(n);
      if (used == sizeof buffer - 1) break;
    }
    ::close(fd);
    buffer[used] = '\0';
    if (const char* line = std::strstr(buffer, "\nUmask:")) {
      const char* p = line + 7;
      while (*p == ' ' || *p == '\t') ++p;
      uint32_t mask = 0;
      bool digits = false;
      for (; *p >= '0' && *p <= '7'; ++p) {
        mask = mask * 8 + static_cast<uint32_t>(*p - '0');
        digits = true;
      }
      if (digits) return mask & 0777;
    }
  }
  static std::mutex lock;
  std::lock_guard<std::mutex> guard(lock);
  mode_t mask = ::umask(077);
  ::umask(mask);
  return static_cast<uint32_t>(mask) & 0777;
}

void InstallInterruptHandlers() {
  for (int signal : kCleanupSignals) {
    struct sigaction current;
    if (::sigaction(signal, nullptr, &current) != 0) continue;
    // A signal ignored on purpose (nohup) must stay ignored.
    if (current.sa_handler == SIG_IGN) continue;
    struct sigaction cleanup;
    std::memset(&cleanup, 0, sizeof cleanup);
    cleanup.sa_handler = RemovePendingSiblingsAndDie;
    sigemptyset(&cleanup.sa_mask);
    // One clean-up at a time, whichever of the signals comes.
    for (int other : kCleanupSignals) sigaddset(&cleanup.sa_mask, other);
    ::sigaction(signal, &cleanup, nullptr);
  }
}

}  // namespace host
}  // namespace devseries::platform
