// The file system of POSIX systems: the seam's operations on file
// descriptors, errno mapped to FileError in one place, and the interrupt
// clean-up on SIGINT, SIGTERM and SIGHUP.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/file_system.h"
#include "platform/host_internal.h"

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
    contents->clear();
    int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return LastError();
    struct stat st;
    if (::fstat(fd, &st) != 0) {
      FileError error = LastError();
      ::close(fd);
      return error;
    }
    if (S_ISDIR(st.st_mode)) {
      ::close(fd);
      return FileError::kIsDirectory;
    }
    if (st.st_size > 0 && static_cast<uint64_t>(st.st_size) > maxBytes) {
      ::close(fd);
      return FileError::kTooLarge;
    }
    char buffer[65536];
    for (;;) {
      ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0) {
        if (errno == EINTR) continue;
        FileError error = LastError();
        ::close(fd);
        contents->clear();
        return error;
      }
      if (n == 0) break;
      if (contents->size() + static_cast<size_t>(n) > maxBytes) {
        ::close(fd);
        contents->clear();
        return FileError::kTooLarge;
      }
      contents->append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return FileError::kNone;
  }

  FileError ReadFileInPieces(const std::string& path, size_t maxBytes,
                             const ChunkSink& sink) override {
    int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return LastError();
    struct stat st;
    FileError result = ::fstat(fd, &st) != 0 ? LastError() : FileError::kNone;
    if (result == FileError::kNone && S_ISDIR(st.st_mode))
      result = FileError::kIsDirectory;
    if (result == FileError::kNone && st.st_size > 0 &&
        static_cast<uint64_t>(st.st_size) > maxBytes) {
      result = FileError::kTooLarge;
    }
    std::string buffer(size_t{1} << 20, '\0');
    size_t total = 0;
    while (result == FileError::kNone) {
      ssize_t n = ::read(fd, buffer.data(), buffer.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        result = LastError();
        break;
      }
      if (n == 0) break;
      total += static_cast<size_t>(n);
      if (total > maxBytes) {
        result = FileError::kTooLarge;
        break;
      }
      if (!sink(std::string_view(buffer.data(), static_cast<size_t>(n)))) break;
    }
    ::close(fd);
    return result;
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
