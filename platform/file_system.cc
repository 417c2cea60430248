#include "platform/file_system.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>

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

std::atomic<unsigned> g_siblingCounter{0};

// Symbolic links followed before a path counts as a cycle, as the kernel's
// own limit.
constexpr int kMaxLinkHops = 40;

// ------------------------------------------------ interrupt clean-up state
//
// The siblings of the open replacements, where a signal handler can read
// them: fixed slots, no allocation, no lock. A slot is free, being filled
// (the handler skips it), or holds a NUL-terminated native path.
constexpr int kSlotFree = 0;
constexpr int kSlotFilling = 1;
constexpr int kSlotReady = 2;
constexpr size_t kPendingSlots = 16;
constexpr size_t kPendingPathBytes = PATH_MAX;

struct PendingSibling {
  std::atomic<int> state{kSlotFree};
  char path[kPendingPathBytes];
};
static_assert(std::atomic<int>::is_always_lock_free,
              "the signal handler reads the slots' state");

PendingSibling g_pending[kPendingSlots];
std::atomic<bool> g_cleanupInstalled{false};
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Notes `sibling` for the clean-up; returns its slot, or -1 when the path
// is too long for a system call anyway or every slot is taken (that
// sibling is then not removed by an interrupt).
int RegisterPendingSibling(const std::string& sibling) {
  std::string native = NativePath(sibling);
  if (native.size() >= kPendingPathBytes) return -1;
  for (size_t i = 0; i < kPendingSlots; ++i) {
    int expected = kSlotFree;
    if (!g_pending[i].state.compare_exchange_strong(expected, kSlotFilling)) {
      continue;
    }
    std::memcpy(g_pending[i].path, native.c_str(), native.size() + 1);
    g_pending[i].state.store(kSlotReady, std::memory_order_release);
    return static_cast<int>(i);
  }
  return -1;
}

void ReleasePendingSibling(int slot) {
  if (slot >= 0) g_pending[slot].state.store(kSlotFree);
}

// Async-signal-safe: atomics, unlink, sigaction and raise only.
void RemovePendingSiblingsAndDie(int signal) {
  int savedErrno = errno;
  for (PendingSibling& pending : g_pending) {
    if (pending.state.load(std::memory_order_acquire) == kSlotReady) {
      ::unlink(pending.path);
    }
  }
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

// Holds the clean-up signals back on this thread while a sibling is
// created and noted, so none can come between the two. Does nothing before
// the clean-up is installed.
class InterruptsHeldBack {
 public:
  InterruptsHeldBack() {
    if (!g_cleanupInstalled.load()) return;
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kCleanupSignals) sigaddset(&set, signal);
    held_ = ::pthread_sigmask(SIG_BLOCK, &set, &previous_) == 0;
  }
  ~InterruptsHeldBack() {
    if (held_) ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }
  InterruptsHeldBack(const InterruptsHeldBack&) = delete;
  InterruptsHeldBack& operator=(const InterruptsHeldBack&) = delete;

 private:
  bool held_ = false;
  sigset_t previous_;
};

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

// The folder part of `path`, up to and including its last separator; empty
// when the path has none.
std::string FolderOf(const std::string& path) {
  size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? std::string()
                                        : path.substr(0, separator + 1);
}

}  // namespace

// Relative targets are joined as text and left for the kernel to walk, so
// ".." means what it means to the kernel.
FileError ResolveLinks(FileSystem& fs, const std::string& path,
                       std::string* out) {
  std::string current = path;
  for (int hops = 0;; ++hops) {
    FileInfo info;
    FileError error = fs.LinkStat(current, &info);
    // Nothing there: created there, as a plain open would.
    if (error == FileError::kNotFound) break;
    if (error != FileError::kNone) return error;
    if (info.kind != FileKind::kSymbolicLink) break;
    if (hops == kMaxLinkHops) return FileError::kLoop;
    std::string target;
    error = fs.ReadLink(current, &target);
    if (error != FileError::kNone) return error;
    if (target.empty()) return FileError::kNotFound;
    current = target.front() == '/' ? target : FolderOf(current) + target;
  }
  *out = std::move(current);
  return FileError::kNone;
}

std::string NativePath(std::string_view path) {
  std::string native(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

FileError FileSystem::ReadFileInPieces(const std::string& path, size_t maxBytes,
                                       const ChunkSink& sink) {
  std::string contents;
  FileError error = ReadFile(path, maxBytes, &contents);
  if (error == FileError::kNone && !contents.empty()) sink(contents);
  return error;
}

FileSystem* FileSystem::Default() {
  static PosixFileSystem posix;
  return &posix;
}

// --------------------------------------------------------- FileReplacement

FileReplacement::~FileReplacement() { Abort(); }

FileError FileReplacement::Fail(ReplaceStep step, FileError error) {
  Release();
  state_ = State::kFailed;
  error_ = error;
  failedStep_ = step;
  return error;
}

void FileReplacement::Release() {
  progress_.Finish();
  if (handle_ >= 0) {
    fs_->Close(handle_);
    handle_ = -1;
  }
  if (!sibling_.empty()) {
    fs_->Remove(sibling_);
    sibling_.clear();
  }
  ReleasePendingSibling(pendingSlot_);
  pendingSlot_ = -1;
}

void FileReplacement::Abort() {
  Release();
  state_ = State::kIdle;
}

FileError FileReplacement::Open(FileSystem& fs, const std::string& path) {
  return OpenWith(fs, path, nullptr);
}

FileError FileReplacement::Open(FileSystem& fs, const std::string& path,
                                const FileInfo& like) {
  return OpenWith(fs, path, &like);
}

FileError FileReplacement::OpenWith(FileSystem& fs, const std::string& path,
                                    const FileInfo* like) {
  Abort();
  const uint64_t expected = expectedSize_;
  expectedSize_ = 0;
  fs_ = &fs;
  error_ = FileError::kNone;
  failedStep_ = ReplaceStep::kNone;
  target_.clear();

  // What the path as given names, links followed: when standard output is
  // a pipe, /dev/stdout leads to a name ("pipe:[123]") that no lookup of
  // the link chain would find.
  FileInfo replaced;
  FileError error = fs.Stat(path, &replaced);
  const bool exists = error == FileError::kNone;
  if (!exists && error != FileError::kNotFound) {
    return Fail(ReplaceStep::kResolve, error);
  }
  if (exists && replaced.kind == FileKind::kDirectory) {
    return Fail(ReplaceStep::kCreate, FileError::kIsDirectory);
  }
  if (exists && replaced.kind != FileKind::kRegular) {
    // A device or a FIFO is written where it is: a renamed sibling would
    // take its place, and removing it would take it away.
    error = fs.OpenInPlace(path, &handle_);
    if (error != FileError::kNone) return Fail(ReplaceStep::kCreate, error);
    state_ = State::kInPlace;
    progress_.Start(ProgressWork::kWriting, path, expected);
    return FileError::kNone;
  }

  error = ResolveLinks(fs, path, &target_);
  if (error != FileError::kNone) return Fail(ReplaceStep::kResolve, error);
  error = CreateSibling(target_);
  if (error != FileError::kNone) return Fail(ReplaceStep::kCreate, error);
  state_ = State::kReplacing;
  if (like == nullptr && exists) like = &replaced;
  error = KeepAttributes(like);
  if (error != FileError::kNone) return Fail(ReplaceStep::kAttributes, error);
  progress_.Start(ProgressWork::kWriting, path, expected);
  return FileError::kNone;
}

FileError FileReplacement::CreateSibling(const std::string& target) {
  // In the target's folder, so the rename never crosses file systems; the
  // name is new to this process, and created exclusively, so a sibling left
  // by a killed process of the same id is never written into.
  InterruptsHeldBack held;
  for (int attempt = 0;; ++attempt) {
    std::string sibling = target + ".~" + std::to_string(::getpid()) + "-" +
                          std::to_string(g_siblingCounter++) + ".part";
    FileError error = fs_->CreateNew(sibling, &handle_);
    if (error == FileError::kNone) {
      sibling_ = std::move(sibling);
      pendingSlot_ = RegisterPendingSibling(sibling_);
      return FileError::kNone;
    }
    handle_ = -1;
    if (error != FileError::kExists || attempt >= 100) return error;
  }
}

FileError FileReplacement::KeepAttributes(const FileInfo* replaced) {
  uint32_t permissions = 0;
  if (replaced == nullptr) {
    // What a plain create gives.
    permissions = 0666 & ~CreationMask();
  } else {
    // Owner and group before the permission bits: changing the owner clears
    // set-user-ID and set-group-ID, and the sibling stays 0600 until then.
    permissions = replaced->permissions & 07777;
    FileError error = fs_->SetOwner(handle_, replaced->owner, replaced->group);
    if (error == FileError::kNotPermitted) {
      // The file cannot be given away: it stays the writing user's, whose
      // rights set-user-ID would now lend.
      permissions &= ~uint32_t{04000};
      error = fs_->SetOwner(handle_, FileSystem::kUnchangedId, replaced->group);
      if (error == FileError::kNotPermitted) {
        // Nor put in that group: it keeps the group it was created with,
        // whose members gain nothing from it.
        permissions &= ~uint32_t{02070};
        error = FileError::kNone;
      }
    }
    if (error != FileError::kNone) return error;
  }
  return fs_->SetPermissions(handle_, permissions);
}

FileError FileReplacement::Write(std::string_view piece) {
  if (state_ == State::kFailed) return error_;
  if (state_ == State::kIdle) return FileError::kBadHandle;
  const char* p = piece.data();
  size_t left = piece.size();
  while (left > 0) {
    size_t written = 0;
    FileError error = fs_->Write(handle_, p, left, &written);
    if (error == FileError::kInterrupted) {
      written = 0;
    } else if (error != FileError::kNone) {
      return Fail(ReplaceStep::kWrite, error);
    } else if (written == 0) {
      // A write that makes no progress would loop for ever.
      return Fail(ReplaceStep::kWrite, FileError::kNoSpace);
    }
    p += written;
    left -= written;
  }
  progress_.Add(piece.size());
  return FileError::kNone;
}

FileError FileReplacement::Commit() {
  if (state_ == State::kFailed) return error_;
  if (state_ == State::kIdle) return FileError::kBadHandle;
  // Every byte is written; what is left is putting them in place.
  progress_.Finish();
  if (state_ == State::kInPlace) {
    // A device or a pipe has nothing to flush to disk and no name to move.
    FileError error = fs_->Close(handle_);
    handle_ = -1;
    if (error != FileError::kNone) return Fail(ReplaceStep::kClose, error);
    state_ = State::kIdle;
    return FileError::kNone;
  }
  FileError error = fs_->Sync(handle_);
  if (error != FileError::kNone) return Fail(ReplaceStep::kSync, error);
  error = fs_->Close(handle_);
  handle_ = -1;  // released whatever close reported
  if (error != FileError::kNone) return Fail(ReplaceStep::kClose, error);
  error = fs_->Rename(sibling_, target_);
  if (error != FileError::kNone) return Fail(ReplaceStep::kRename, error);
  sibling_.clear();
  ReleasePendingSibling(pendingSlot_);
  pendingSlot_ = -1;
  // The new file is in place; a folder that cannot be flushed does not undo
  // that, so this result is not reported.
  fs_->SyncParentDirectory(target_);
  state_ = State::kIdle;
  return FileError::kNone;
}

FileError ReplaceFileAtomically(FileSystem& fs, const std::string& path,
                                std::string_view data,
                                ReplaceStep* failedStep) {
  FileReplacement replacement;
  replacement.ExpectSize(data.size());
  FileError error = replacement.Open(fs, path);
  // In slices, so that a progress observer sees the writing advance.
  constexpr size_t kSlice = size_t{1} << 20;
  for (size_t at = 0; error == FileError::kNone && at < data.size();
       at += kSlice) {
    error = replacement.Write(data.substr(at, kSlice));
  }
  if (error == FileError::kNone) error = replacement.Commit();
  if (failedStep != nullptr) *failedStep = replacement.failedStep();
  return error;
}

FileError CopyFileAtomically(FileSystem& fs, const std::string& from,
                             const std::string& to, bool overwrite,
                             size_t maxBytes, const FileInfo* like) {
  if (!overwrite && fs.Exists(to)) return FileError::kExists;
  // The replacement is opened with the first piece, so a source that cannot
  // be opened leaves nothing to undo.
  FileReplacement replacement;
  FileInfo source;
  if (ProgressReport::Observed() &&
      fs.Stat(from, &source) == FileError::kNone) {
    replacement.ExpectSize(source.size);
  }
  bool opened = false;
  FileError writeError = FileError::kNone;
  FileError readError =
      fs.ReadFileInPieces(from, maxBytes, [&](std::string_view piece) {
        if (!opened) {
          opened = true;
          writeError = like != nullptr ? replacement.Open(fs, to, *like)
                                       : replacement.Open(fs, to);
        }
        if (writeError == FileError::kNone) {
          writeError = replacement.Write(piece);
        }
        return writeError == FileError::kNone;
      });
  if (readError != FileError::kNone)
    return readError;  // the replacement aborts
  if (writeError != FileError::kNone) return writeError;
  if (!opened) {
    // An empty source.
    FileError error = like != nullptr ? replacement.Open(fs, to, *like)
                                      : replacement.Open(fs, to);
    if (error != FileError::kNone) return error;
  }
  return replacement.Commit();
}

void InstallInterruptCleanup() {
  static std::once_flag once;
  std::call_once(once, [] {
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
    g_cleanupInstalled.store(true);
  });
}

}  // namespace devseries::platform
