#include "devseries/platform/file_system.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "devseries/platform/host_internal.h"

namespace devseries::platform {
namespace {

std::atomic<unsigned> g_siblingCounter{0};

// Symbolic links followed before a path counts as a cycle, as the kernel's
// own limit.
constexpr int kMaxLinkHops = 40;

// The longest name of a folder entry, in bytes (NAME_MAX of Linux and of
// the usual file systems).
constexpr size_t kMaxNameBytes = 255;

// Sixteen hexadecimal digits of the FNV-1a hash of `text`.
std::string HashText(const std::string& text) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  static const char kDigits[] = "0123456789abcdef";
  std::string digits(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) digits[i] = kDigits[hash & 15];
  return digits;
}

// The pieces ReadOpenFileInPieces hands over.
constexpr size_t kPieceBytes = size_t{1} << 20;

// ------------------------------------------------ interrupt clean-up state
//
// The siblings of the open replacements, where an interrupt handler can
// read them: fixed slots, no allocation, no lock. A slot is free, being
// filled (the handler skips it), or holds a NUL-terminated native path.
constexpr int kSlotFree = 0;
constexpr int kSlotFilling = 1;
constexpr int kSlotReady = 2;
constexpr size_t kPendingSlots = 16;
constexpr size_t kPendingPathBytes = 4096;

struct PendingSibling {
  std::atomic<int> state{kSlotFree};
  char path[kPendingPathBytes];
};
static_assert(std::atomic<int>::is_always_lock_free,
              "the interrupt handler reads the slots' state");

PendingSibling g_pending[kPendingSlots];
std::atomic<bool> g_cleanupInstalled{false};

// The folder part of `path`, up to and including its last separator; empty
// when the path has none.
std::string FolderOf(const std::string& path) {
  size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? std::string()
                                        : path.substr(0, separator + 1);
}

}  // namespace

namespace host {

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

void ForEachPendingSibling(void (*remove)(const char* nativePath)) {
  for (PendingSibling& pending : g_pending) {
    if (pending.state.load(std::memory_order_acquire) == kSlotReady) {
      remove(pending.path);
    }
  }
}

bool InterruptCleanupInstalled() { return g_cleanupInstalled.load(); }

}  // namespace host

// Relative targets are joined as text and left for the kernel to walk, so
// ".." means what it means to the kernel. A name of one of the process's own
// descriptors ends the walk: what it leads to ("pipe:[12]", a deleted file)
// has no name to follow.
FileError ResolveLinks(FileSystem& fs, const std::string& path,
                       std::string* out) {
  const bool root = fs.EffectiveUser() == 0;
  std::string current = path;
  for (int hops = 0;; ++hops) {
    FileSystem::Handle own = -1;
    if (fs.NamesOwnHandle(current, &own)) break;
    FileInfo info;
    FileError error = fs.LinkStat(current, &info);
    // Nothing there: created there, as a plain open would.
    if (error == FileError::kNotFound) break;
    if (error != FileError::kNone) return error;
    if (info.kind != FileKind::kSymbolicLink) break;
    // Root follows only its own links: one another user planted could send
    // its writes anywhere (the kernel's protected_symlinks rule, applied in
    // every folder).
    if (root && info.owner != 0) return FileError::kLinkNotTrusted;
    if (hops == kMaxLinkHops) return FileError::kLoop;
    std::string target;
    error = fs.ReadLink(current, &target);
    if (error != FileError::kNone) return error;
    if (target.empty()) return FileError::kNotFound;
    current = host::IsAbsoluteLinkTarget(target) ? target
                                                 : FolderOf(current) + target;
  }
  *out = std::move(current);
  return FileError::kNone;
}

// ------------------------------------------- defaults of newer operations
//
// For file systems written before these operations existed: they refuse
// what they cannot do, so a caller reports an error instead of guessing.

FileError FileSystem::CreateNew(const std::string& path, uint32_t permissions,
                                Handle* handle) {
  FileError error = CreateNew(path, handle);
  if (error != FileError::kNone) return error;
  error = SetPermissions(*handle, permissions & ~host::CreationMask());
  if (error != FileError::kNone) {
    Close(*handle);
    Remove(path);
    *handle = -1;
  }
  return error;
}

FileError FileSystem::OpenToInspect(const std::string&, bool, Handle*,
                                    FileInfo*) {
  return FileError::kInvalid;
}

FileError FileSystem::ReopenForWriting(Handle, bool, Handle*) {
  return FileError::kInvalid;
}

bool FileSystem::NamesOwnHandle(const std::string&, Handle*) { return false; }

FileError FileSystem::Duplicate(Handle, Handle*) { return FileError::kInvalid; }

FileError FileSystem::CopyExtendedAttributes(Handle, Handle) {
  return FileError::kNone;
}

uint32_t FileSystem::EffectiveUser() { return kUnchangedId; }

FileError FileSystem::OpenForReading(const std::string&, const ReadOptions&,
                                     Handle*, FileInfo*) {
  return FileError::kInvalid;
}

FileError FileSystem::Read(Handle, void*, size_t, size_t* got) {
  *got = 0;
  return FileError::kBadHandle;
}

FileError FileSystem::LockExclusive(Handle) { return FileError::kInvalid; }

FileError FileSystem::Rewind(Handle) { return FileError::kInvalid; }

FileError FileSystemWrapper::OpenForReading(const std::string& path,
                                            const ReadOptions& options,
                                            Handle* handle, FileInfo* info) {
  if (options.followLinks && EffectiveUser() == 0) {
    // The links are walked here, with this file system's view of who the
    // process is; the target checks again with its own.
    std::string ignored;
    FileError error = ResolveLinks(*this, path, &ignored);
    if (error != FileError::kNone) return error;
  }
  return target_->OpenForReading(path, options, handle, info);
}

FileError ReadOpenFileInPieces(FileSystem& fs, FileSystem::Handle handle,
                               size_t maxBytes,
                               const FileSystem::ChunkSink& sink) {
  std::string buffer(kPieceBytes, '\0');
  size_t total = 0;
  for (;;) {
    size_t got = 0;
    FileError error = fs.Read(handle, buffer.data(), buffer.size(), &got);
    if (error == FileError::kInterrupted) continue;
    if (error != FileError::kNone) return error;
    if (got == 0) return FileError::kNone;
    total += got;
    // Checked on what was read, not on a size told before: the file may
    // grow meanwhile, and a pipe tells none.
    if (total > maxBytes) return FileError::kTooLarge;
    if (!sink(std::string_view(buffer.data(), got))) return FileError::kNone;
  }
}

FileError ReadNamedFileInPieces(FileSystem& fs, const std::string& path,
                                size_t maxBytes,
                                const FileSystem::ChunkSink& sink) {
  FileSystem::Handle handle = -1;
  FileInfo info;
  FileError error = fs.OpenForReading(path, ReadOptions(), &handle, &info);
  if (error != FileError::kNone) return error;
  if (info.kind == FileKind::kDirectory) {
    error = FileError::kIsDirectory;
  } else if (info.size > maxBytes) {
    error = FileError::kTooLarge;
  } else {
    error = ReadOpenFileInPieces(fs, handle, maxBytes, sink);
  }
  fs.Close(handle);
  return error;
}

FileError ReadNamedFile(FileSystem& fs, const std::string& path,
                        size_t maxBytes, std::string* contents) {
  contents->clear();
  FileError error =
      fs.ReadFileInPieces(path, maxBytes, [contents](std::string_view piece) {
        contents->append(piece);
        return true;
      });
  if (error != FileError::kNone) contents->clear();
  return error;
}

FileError FileSystem::ReadFileInPieces(const std::string& path, size_t maxBytes,
                                       const ChunkSink& sink) {
  std::string contents;
  FileError error = ReadFile(path, maxBytes, &contents);
  if (error == FileError::kNone && !contents.empty()) sink(contents);
  return error;
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
  host::ReleasePendingSibling(pendingSlot_);
  pendingSlot_ = -1;
}

void FileReplacement::Abort() {
  Release();
  state_ = State::kIdle;
}

FileError FileReplacement::Open(FileSystem& fs, const std::string& path) {
  return OpenWith(fs, path, ReplaceOptions(), nullptr);
}

FileError FileReplacement::Open(FileSystem& fs, const std::string& path,
                                const FileInfo& like) {
  return OpenWith(fs, path, ReplaceOptions(), &like);
}

FileError FileReplacement::Open(FileSystem& fs, const std::string& path,
                                const ReplaceOptions& options,
                                const FileInfo* like) {
  return OpenWith(fs, path, options, like);
}

FileError FileReplacement::OpenWith(FileSystem& fs, const std::string& path,
                                    const ReplaceOptions& options,
                                    const FileInfo* like) {
  Abort();
  const uint64_t expected = expectedSize_;
  expectedSize_ = 0;
  fs_ = &fs;
  error_ = FileError::kNone;
  failedStep_ = ReplaceStep::kNone;
  target_.clear();

  // The name to replace: a user's through its links, the system's own as it
  // is (a link there is dealt with below).
  FileError error = FileError::kNone;
  if (options.followLinks) {
    error = ResolveLinks(fs, path, &target_);
    if (error != FileError::kNone) return Fail(ReplaceStep::kResolve, error);
  } else {
    target_ = path;
  }

  // One of the process's own descriptors, named by path ("/dev/stdout"):
  // written through that very descriptor, at its position and in its append
  // mode, whatever it refers to, as a shell's redirection is.
  FileSystem::Handle own = -1;
  if (fs.NamesOwnHandle(target_, &own)) {
    return StartInPlace(fs.Duplicate(own, &handle_), path, expected);
  }

  // What is there is looked at once, through one open handle; every
  // decision below is taken on that file, never on a second look at the
  // name.
  FileInfo found;
  FileSystem::Handle inspected = -1;
  error = fs.OpenToInspect(target_, false, &inspected, &found);
  auto closeInspected = [&] {
    if (inspected >= 0) fs.Close(inspected);
    inspected = -1;
  };
  if (error == FileError::kNone && found.kind == FileKind::kSymbolicLink) {
    closeInspected();
    // A user's name had its links resolved a moment ago: this one was put
    // there meanwhile, and is not followed.
    if (options.followLinks) {
      return Fail(ReplaceStep::kResolve, FileError::kLoop);
    }
    // At a name the system makes for itself a link is someone else's: it
    // goes, and the new file takes the name.
    error = fs.Remove(target_);
    if (error != FileError::kNone && error != FileError::kNotFound) {
      return Fail(ReplaceStep::kCreate, error);
    }
    error = FileError::kNotFound;
  }
  const bool exists = error == FileError::kNone;
  if (!exists && error != FileError::kNotFound) {
    return Fail(ReplaceStep::kResolve, error);
  }
  if (exists && found.kind == FileKind::kDirectory) {
    closeInspected();
    return Fail(ReplaceStep::kCreate, FileError::kIsDirectory);
  }
  if (exists && found.kind != FileKind::kRegular) {
    if (!options.followLinks) {
      closeInspected();
      return Fail(ReplaceStep::kCreate, FileError::kNotRegular);
    }
    // A device or a FIFO is written where it is: a renamed sibling would
    // take its place, and removing it would take it away. Reopened from the
    // handle, so it is the file looked at, not what the name leads to now.
    error = fs.ReopenForWriting(inspected, options.nonBlocking, &handle_);
    closeInspected();
    return StartInPlace(error, path, expected);
  }

  // A regular file, or nothing. A new file is created as a plain create
  // makes it (0666, less what the umask or the folder's default access list
  // takes away); one that receives attributes stays 0600 until it has them.
  const bool keeps = exists || like != nullptr;
  error = CreateSibling(target_, keeps ? 0600 : 0666);
  if (error != FileError::kNone) {
    closeInspected();
    return Fail(ReplaceStep::kCreate, error);
  }
  state_ = State::kReplacing;
  if (keeps) {
    error = KeepAttributes(like != nullptr ? *like : found);
    // The access list and the other extended attributes of the file
    // replaced; a file given `like`'s attributes has no file to take them
    // from.
    if (error == FileError::kNone && options.attributesFrom >= 0) {
      error = fs.CopyExtendedAttributes(options.attributesFrom, handle_);
    } else if (error == FileError::kNone && like == nullptr) {
      error = fs.CopyExtendedAttributes(inspected, handle_);
    }
  }
  closeInspected();
  if (error != FileError::kNone) return Fail(ReplaceStep::kAttributes, error);
  progress_.Start(ProgressWork::kWriting, path, expected);
  return FileError::kNone;
}

FileError FileReplacement::StartInPlace(FileError opened,
                                        const std::string& path,
                                        uint64_t expected) {
  if (opened != FileError::kNone) {
    handle_ = -1;
    return Fail(ReplaceStep::kCreate, opened);
  }
  state_ = State::kInPlace;
  progress_.Start(ProgressWork::kWriting, path, expected);
  return FileError::kNone;
}

FileError FileReplacement::CreateSibling(const std::string& target,
                                         uint32_t permissions) {
  // In the target's folder, so the rename never crosses file systems; the
  // name is new to this process, and created exclusively, so a sibling left
  // by a killed process of the same id is never written into. A name too
  // long to take the suffix is replaced by a hash of it, so that every name
  // the system allows can be replaced.
  const std::string folder = FolderOf(target);
  const std::string name = target.substr(folder.size());
  host::InterruptsHeldBack held;
  for (int attempt = 0;; ++attempt) {
    const std::string suffix = std::to_string(host::ProcessId()) + "-" +
                               std::to_string(g_siblingCounter++) + ".part";
    std::string sibling = name.size() + 2 + suffix.size() <= kMaxNameBytes
                              ? target + ".~" + suffix
                              : folder + ".~" + HashText(name) + "-" + suffix;
    FileError error = fs_->CreateNew(sibling, permissions, &handle_);
    if (error == FileError::kNone) {
      sibling_ = std::move(sibling);
      pendingSlot_ = host::RegisterPendingSibling(sibling_);
      return FileError::kNone;
    }
    handle_ = -1;
    if (error != FileError::kExists || attempt >= 100) return error;
  }
}

FileError FileReplacement::KeepAttributes(const FileInfo& replaced) {
  // Owner and group before the permission bits: changing the owner clears
  // set-user-ID and set-group-ID, and the sibling stays 0600 until then.
  uint32_t permissions = replaced.permissions & 07777;
  FileError error = fs_->SetOwner(handle_, replaced.owner, replaced.group);
  if (error == FileError::kNotPermitted) {
    // The file cannot be given away: it stays the writing user's, whose
    // rights set-user-ID would now lend.
    permissions &= ~uint32_t{04000};
    error = fs_->SetOwner(handle_, FileSystem::kUnchangedId, replaced.group);
    if (error == FileError::kNotPermitted) {
      // Nor put in that group: it keeps the group it was created with,
      // whose members gain nothing from it.
      permissions &= ~uint32_t{02070};
      error = FileError::kNone;
    }
  }
  if (error != FileError::kNone) return error;
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
  host::ReleasePendingSibling(pendingSlot_);
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
                             size_t maxBytes, const FileInfo* like,
                             const ReplaceOptions& options) {
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
          writeError = replacement.Open(fs, to, options, like);
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
    FileError error = replacement.Open(fs, to, options, like);
    if (error != FileError::kNone) return error;
  }
  return replacement.Commit();
}

void InstallInterruptCleanup() {
  static std::once_flag once;
  std::call_once(once, [] {
    host::InstallInterruptHandlers();
    g_cleanupInstalled.store(true);
  });
}

InterruptCleanupEntry::InterruptCleanupEntry(const std::string& path)
    : slot_(host::RegisterPendingSibling(path)) {}

InterruptCleanupEntry::~InterruptCleanupEntry() {
  host::ReleasePendingSibling(slot_);
}

ScopedOpenFileReads::ScopedOpenFileReads(std::string path, Handle handle,
                                         const FileInfo& info)
    : FileSystemWrapper(FileSystem::Current()),
      path_(std::move(path)),
      handle_(handle),
      info_(info) {}

FileError ScopedOpenFileReads::Stat(const std::string& path, FileInfo* info) {
  if (path != path_) return FileSystemWrapper::Stat(path, info);
  *info = info_;
  return FileError::kNone;
}

FileError ScopedOpenFileReads::ReadFile(const std::string& path,
                                        size_t maxBytes,
                                        std::string* contents) {
  if (path != path_)
    return FileSystemWrapper::ReadFile(path, maxBytes, contents);
  contents->clear();
  FileError error =
      ReadFileInPieces(path, maxBytes, [&](std::string_view piece) {
        contents->append(piece);
        return true;
      });
  if (error != FileError::kNone) contents->clear();
  return error;
}

FileError ScopedOpenFileReads::ReadFileInPieces(const std::string& path,
                                                size_t maxBytes,
                                                const ChunkSink& sink) {
  if (path != path_) {
    return FileSystemWrapper::ReadFileInPieces(path, maxBytes, sink);
  }
  // As the file systems read a path: a folder or a file over the limit
  // fails before a byte is read.
  if (info_.kind == FileKind::kDirectory) return FileError::kIsDirectory;
  if (info_.size > maxBytes) return FileError::kTooLarge;
  FileError error = target()->Rewind(handle_);
  if (error != FileError::kNone) return error;
  return ReadOpenFileInPieces(*target(), handle_, maxBytes, sink);
}

}  // namespace devseries::platform
