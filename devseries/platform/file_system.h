// File operations: every file the updater or the library touches goes
// through one FileSystem object, so tests can inject failures (a short
// write, a full disk, a refused rename) without touching paths they do not
// own. Every file written is written through a FileReplacement.
//
// Paths arrive in Windows form, UTF-8, e.g. "C:\Vintrell\Ostrivane\Help\x.html"
// or "/opt/vintrell/Ostrivane\Help\x.html": backslash and slash both
// separate components when the file system is touched (NativePath); callers
// keep and log the path exactly as composed. The file system of Windows
// (platform/win32/) reaches the system through the UTF-16 calls; that of
// POSIX systems (platform/posix/) through file descriptors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "devseries/platform/file_error.h"
#include "devseries/platform/progress.h"
#include "devseries/platform/seam.h"

#pragma GCC visibility push(default)
namespace devseries::platform {

// The path handed to the operating system: on POSIX systems every backslash
// becomes a slash; Windows takes the path as it is.
std::string NativePath(std::string_view path);

// What Stat and LinkStat tell about a file.
enum class FileKind {
  kRegular,
  kDirectory,
  kSymbolicLink,  // LinkStat only: Stat follows links
  kOther,         // a character or block device, a FIFO, a socket
};

struct FileInfo {
  FileKind kind = FileKind::kRegular;
  // The permission bits with set-user-ID, set-group-ID and sticky (07777).
  uint32_t permissions = 0;
  uint32_t owner = 0;
  uint32_t group = 0;
  // The size in bytes of a regular file; 0 for the other kinds, or when a
  // file system does not tell.
  uint64_t size = 0;
  // Which file this is: two names, or a name and an open file, with equal
  // device and inode are the same file. 0 where a file system does not tell.
  uint64_t device = 0;
  uint64_t inode = 0;
};

// How OpenForReading treats what it finds at its path.
struct ReadOptions {
  // Follow symbolic links (a process whose effective user is root does not
  // follow one owned by another user: kLinkNotTrusted). False: a link at
  // the path itself fails with kLoop.
  bool followLinks = true;
  // The open never waits: a FIFO opens at once, without a writer.
  bool nonBlocking = false;
};

// The seam. Operations return FileError::kNone on success, or the error.
class FileSystem {
 public:
  using Handle = int;
  // An owner or group id that SetOwner leaves as it is.
  static constexpr uint32_t kUnchangedId = UINT32_MAX;

  FileSystem() = default;
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;
  virtual ~FileSystem() = default;

  // The real file system of the process.
  static FileSystem* Default();
  // The file system in use (Seam<FileSystem>::Current()): the real one
  // unless a ScopedFileSystem installed another.
  static FileSystem* Current() { return Seam<FileSystem>::Current(); }

  // Creates a new file for writing, readable and writable by its owner only
  // (0600); fails with kExists when anything, even a dangling link, is there.
  virtual FileError CreateNew(const std::string& path, Handle* handle) = 0;
  // As CreateNew, with the permission bits a plain create asks for: the
  // system then takes away what the umask, or the folder's default access
  // list, says. The default creates 0600 and sets `permissions` less the
  // umask.
  virtual FileError CreateNew(const std::string& path, uint32_t permissions,
                              Handle* handle);
  // Opens the existing file at `path` (following links) for writing where it
  // is: nothing is created, truncated or renamed. A replacement does not use
  // it (it reopens the file it inspected: ReopenForWriting).
  virtual FileError OpenInPlace(const std::string& path, Handle* handle) = 0;
  // Writes up to `size` bytes; `*written` receives the count actually
  // written, which may be less than `size`. kInterrupted may be returned.
  virtual FileError Write(Handle handle, const void* data, size_t size,
                          size_t* written) = 0;
  virtual FileError Sync(Handle handle) = 0;
  virtual FileError Close(Handle handle) = 0;
  // Gives the open file `owner` and `group`; kUnchangedId keeps either.
  // kNotPermitted when the caller may not give the file away or into that
  // group.
  virtual FileError SetOwner(Handle handle, uint32_t owner, uint32_t group) = 0;
  // Sets the open file's permission bits (07777) exactly, umask aside.
  virtual FileError SetPermissions(Handle handle, uint32_t permissions) = 0;
  virtual FileError Rename(const std::string& from, const std::string& to) = 0;
  virtual FileError Remove(const std::string& path) = 0;
  // Opens what `path` names once, neither to read nor to write it (on Linux
  // an O_PATH descriptor: no permission is needed, a FIFO never waits), so
  // that every later decision is taken on that very file; `info` receives
  // what the open file is. With followLinks false a symbolic link at `path`
  // itself is opened as the link (kind kSymbolicLink). Close with Close().
  virtual FileError OpenToInspect(const std::string& path, bool followLinks,
                                  Handle* handle, FileInfo* info);
  // Opens the very file that `inspected` (from OpenToInspect) holds for
  // writing where it is: nothing is created, truncated or renamed, and its
  // name is not looked up again. With `nonBlocking` a FIFO without a reader
  // fails at once (kNoDevice) instead of waiting for one; the handle's
  // writes block either way.
  virtual FileError ReopenForWriting(Handle inspected, bool nonBlocking,
                                     Handle* handle);
  // True when `path` itself names one of the process's own open files
  // (/dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N, /proc/PID/fd/N of
  // this process), which `*which` then receives. Links leading there are
  // not followed: ResolveLinks stops at such a name.
  virtual bool NamesOwnHandle(const std::string& path, Handle* which);
  // A second handle to the open file `handle` refers to, sharing its
  // position and its append mode.
  virtual FileError Duplicate(Handle handle, Handle* copy);
  // Gives `to` (a file being written) the access list and the other
  // extended attributes of the file `from` (from OpenToInspect) holds.
  // Attributes this process may not set and that widen no access are
  // passed over; any other that cannot be kept fails the call.
  virtual FileError CopyExtendedAttributes(Handle from, Handle to);
  // The user the process acts as for file access (root: 0); kUnchangedId
  // where the system has no such number.
  virtual uint32_t EffectiveUser();
  // Opens the file at `path` for reading, once; `info` receives what fstat
  // of the open descriptor tells. With followLinks false a link at `path`
  // itself fails with kLoop; with nonBlocking the open never waits (a FIFO
  // opens at once) and the descriptor is left in blocking mode for reading
  // of regular files. Close with Close().
  virtual FileError OpenForReading(const std::string& path,
                                   const ReadOptions& options, Handle* handle,
                                   FileInfo* info);
  // Reads up to `size` bytes; `*got` receives the count, 0 at the end.
  virtual FileError Read(Handle handle, void* data, size_t size, size_t* got);
  // An advisory lock on the open file, held until it is closed; waits for
  // another holder.
  virtual FileError LockExclusive(Handle handle);
  // Flushes the directory entry changes of the folder holding `path`.
  virtual FileError SyncParentDirectory(const std::string& path) = 0;
  // What is at `path`, following symbolic links: kNotFound when nothing is,
  // also for a link whose final target is missing; kLoop for a link cycle.
  virtual FileError Stat(const std::string& path, FileInfo* info) = 0;
  // As Stat, except that a symbolic link at `path` itself is reported as
  // kSymbolicLink (with the link's own owner), not followed.
  virtual FileError LinkStat(const std::string& path, FileInfo* info) = 0;
  // The target of the symbolic link at `path`, exactly as stored (relative
  // targets are relative to the link's folder); kInvalid when not a link.
  virtual FileError ReadLink(const std::string& path, std::string* target) = 0;
  // True when a regular file (or anything else) exists at `path`.
  virtual bool Exists(const std::string& path) = 0;
  virtual bool IsDirectory(const std::string& path) = 0;
  // Reads a whole file. Fails with kTooLarge when it holds more than
  // `maxBytes`.
  virtual FileError ReadFile(const std::string& path, size_t maxBytes,
                             std::string* contents) = 0;
  // Reads a file piece by piece, handing each piece to `sink` in order;
  // stops early, with kNone, when `sink` returns false. Fails with kTooLarge
  // when the file holds more than `maxBytes` (pieces may have been handed
  // over by then). The default reads the whole file with ReadFile.
  using ChunkSink = std::function<bool(std::string_view piece)>;
  virtual FileError ReadFileInPieces(const std::string& path, size_t maxBytes,
                                     const ChunkSink& sink);
  // Moves the reading position of the file open under `handle` back to its
  // first byte, so that it is read again from the start.
  virtual FileError Rewind(Handle handle);
};

// Forwards every operation to another file system; tests derive from it and
// override the operations they want to fail.
class FileSystemWrapper : public FileSystem {
 public:
  explicit FileSystemWrapper(FileSystem* target) : target_(target) {}

  FileError CreateNew(const std::string& path, Handle* handle) override {
    return target_->CreateNew(path, handle);
  }
  FileError CreateNew(const std::string& path, uint32_t permissions,
                      Handle* handle) override {
    return target_->CreateNew(path, permissions, handle);
  }
  FileError OpenToInspect(const std::string& path, bool followLinks,
                          Handle* handle, FileInfo* info) override {
    return target_->OpenToInspect(path, followLinks, handle, info);
  }
  FileError ReopenForWriting(Handle inspected, bool nonBlocking,
                             Handle* handle) override {
    return target_->ReopenForWriting(inspected, nonBlocking, handle);
  }
  bool NamesOwnHandle(const std::string& path, Handle* which) override {
    return target_->NamesOwnHandle(path, which);
  }
  FileError Duplicate(Handle handle, Handle* copy) override {
    return target_->Duplicate(handle, copy);
  }
  FileError CopyExtendedAttributes(Handle from, Handle to) override {
    return target_->CopyExtendedAttributes(from, to);
  }
  uint32_t EffectiveUser() override { return target_->EffectiveUser(); }
  // Applies the root rule of ReadOptions::followLinks with this file
  // system's EffectiveUser, then opens through the target.
  FileError OpenForReading(const std::string& path, const ReadOptions& options,
                           Handle* handle, FileInfo* info) override;
  FileError Read(Handle handle, void* data, size_t size, size_t* got) override {
    return target_->Read(handle, data, size, got);
  }
  FileError LockExclusive(Handle handle) override {
    return target_->LockExclusive(handle);
  }
  FileError OpenInPlace(const std::string& path, Handle* handle) override {
    return target_->OpenInPlace(path, handle);
  }
  FileError Write(Handle handle, const void* data, size_t size,
                  size_t* written) override {
    return target_->Write(handle, data, size, written);
  }
  FileError Sync(Handle handle) override { return target_->Sync(handle); }
  FileError Close(Handle handle) override { return target_->Close(handle); }
  FileError SetOwner(Handle handle, uint32_t owner, uint32_t group) override {
    return target_->SetOwner(handle, owner, group);
  }
  FileError SetPermissions(Handle handle, uint32_t permissions) override {
    return target_->SetPermissions(handle, permissions);
  }
  FileError Rename(const std::string& from, const std::string& to) override {
    return target_->Rename(from, to);
  }
  FileError Remove(const std::string& path) override {
    return target_->Remove(path);
  }
  FileError SyncParentDirectory(const std::string& path) override {
    return target_->SyncParentDirectory(path);
  }
  FileError Stat(const std::string& path, FileInfo* info) override {
    return target_->Stat(path, info);
  }
  FileError LinkStat(const std::string& path, FileInfo* info) override {
    return target_->LinkStat(path, info);
  }
  FileError ReadLink(const std::string& path, std::string* target) override {
    return target_->ReadLink(path, target);
  }
  bool Exists(const std::string& path) override {
    return target_->Exists(path);
  }
  bool IsDirectory(const std::string& path) override {
    return target_->IsDirectory(path);
  }
  FileError ReadFile(const std::string& path, size_t maxBytes,
                     std::string* contents) override {
    return target_->ReadFile(path, maxBytes, contents);
  }
  FileError Rewind(Handle handle) override { return target_->Rewind(handle); }

 protected:
  FileSystem* target() const { return target_; }

 private:
  FileSystem* target_;
};

// Installs a file system for the lifetime of the object.
using ScopedFileSystem = ScopedSeam<FileSystem>;

// The step of a replacement that failed.
enum class ReplaceStep {
  kNone,
  kResolve,     // finding out what is at the path, following its links
  kCreate,      // creating the sibling, or opening the target in place
  kAttributes,  // giving the sibling the replaced file's owner and mode
  kWrite,
  kSync,
  kClose,
  kRename,
};

// Reads the file open under `handle` to its end in pieces of 1 MiB, handing
// each to `sink` in order; stops early, with kNone, when `sink` returns
// false; kTooLarge once more than `maxBytes` have been read. The handle
// stays open.
FileError ReadOpenFileInPieces(FileSystem& fs, FileSystem::Handle handle,
                               size_t maxBytes,
                               const FileSystem::ChunkSink& sink);

// Opens the file at `path` once with `fs.OpenForReading` and reads it as
// ReadOpenFileInPieces does: kIsDirectory for a folder, kTooLarge before
// reading a file that says it holds more than `maxBytes`. What the backends'
// ReadFileInPieces do.
FileError ReadNamedFileInPieces(FileSystem& fs, const std::string& path,
                                size_t maxBytes,
                                const FileSystem::ChunkSink& sink);

// Reads the whole file at `path` through `fs.ReadFileInPieces` into
// `contents` (empty on failure). What the backends' ReadFile do.
FileError ReadNamedFile(FileSystem& fs, const std::string& path,
                        size_t maxBytes, std::string* contents);

// How a replacement treats what it finds at its path.
struct ReplaceOptions {
  // A name a user gave: its symbolic links are followed (but see the
  // root rule). False for names the system makes for itself beside
  // another file: a link at the name is removed, never followed, and
  // a device, FIFO or socket there is refused (kNotRegular; a folder, as
  // always, kIsDirectory).
  bool followLinks = true;
  // Never wait: a FIFO without a reader is refused at once (kNoDevice)
  // instead of waiting for one; a device is still written in place. False
  // opens a FIFO as `cat` does.
  bool nonBlocking = false;
  // A file open for reading whose access list and other extended
  // attributes a file written through a sibling receives, with the owner,
  // group and mode of `like` (Open's argument): a file that will take that
  // file's place. -1: the attributes of the file replaced, when there is
  // one and no `like` is given.
  FileSystem::Handle attributesFrom = -1;
};

// A replacement of the file at a path, written piece by piece, then
// committed (the new content takes the path at once and completely) or
// aborted (the path keeps what it held). Every writer of the system goes
// through it:
//
//   FileReplacement out;
//   FileError error = out.Open(fs, path);
//   while (error == FileError::kNone && more) error = out.Write(piece);
//   if (error == FileError::kNone) error = out.Commit();
//
// What is at the path decides how it is written, and it is decided on the
// open file, never on a second look at the name. A user's name is first
// resolved through its symbolic links (ResolveLinks: a process whose
// effective user is root follows no link another user owns, kLinkNotTrusted
// at kResolve); the name reached is opened once (OpenToInspect, an O_PATH
// descriptor on Linux) and its kind, owner, group and mode are those of
// that open file.
//
// A regular file, or nothing: the bytes go to a new sibling file
// (PATH.~PID-N.part, created exclusively; for a name too long to take the
// suffix, .~HASH-PID-N.part in the same folder). For a replaced file the
// sibling is created 0600 and receives the replaced file's owner, group and
// permission bits, then its access list and other extended attributes
// (CopyExtendedAttributes), before its first byte; an attribute that cannot
// be kept fails at kAttributes. A new file is created 0666, which the umask
// or the folder's default access list narrows as for any create. On commit
// the sibling is flushed, closed and renamed over the path; the folder is
// flushed last. A symbolic link stays; the file it finally names is replaced
// (or, when missing, created) and the sibling lives in that file's folder.
//
// A name of one of the process's own descriptors (/dev/stdout, /dev/fd/N,
// /proc/self/fd/N, or a link leading to one) is written through a duplicate
// of that descriptor, at its position and in its append mode, whatever it
// refers to. Anything else that exists (a device, a FIFO, a socket) is
// reopened for writing from the open handle and written in place, never
// removed; opening a FIFO waits for its reader unless the options say
// nonBlocking. A folder fails with kIsDirectory.
//
// With ReplaceOptions::followLinks false (names the system makes beside
// another file) a link at the name is removed, never followed, and a
// device, FIFO or socket there is refused with kNotRegular.
//
// Owner and group: the replaced file's are kept when the process may set
// them (root always can). Otherwise the file becomes the writing user's,
// losing set-user-ID; a group the user may not set is replaced by the one
// the file was created with, and the group permission bits and set-group-ID
// are cleared (and the access list's owning-group entry emptied), so nobody
// gains access the old file did not give.
//
// On Windows the commit's rename is ReplaceFileW when a file is replaced,
// which keeps the replaced file's security settings and attributes (the
// owner and permission steps have nothing to do there), and MoveFileExW
// with write-through for a new file.
//
// Any failure before Commit, and Abort, remove the sibling (only a removal
// the file system refuses leaves it behind) and leave the path as it was;
// bytes already written in place cannot be taken back. While open, the
// sibling is known to the interrupt clean-up (InstallInterruptCleanup).
// Not copyable; one replacement is used by one thread at a time.
class FileReplacement {
 public:
  FileReplacement() = default;
  // Aborts a replacement that is open and not committed.
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Starts replacing the file at `path` (aborting a replacement this object
  // still has open). Returns kNone, or the error with failedStep()
  // telling the step (kResolve, kCreate or kAttributes); nothing is left
  // behind then. `fs` must outlive the replacement.
  [[nodiscard]] FileError Open(FileSystem& fs, const std::string& path);
  // As Open, except that a file written through a sibling receives the
  // owner, group and permission bits of `like` (what Stat tells of another
  // file), not those of the file it replaces: a copy kept of a file, or a
  // file that will be renamed over it, then has that file's attributes from
  // its first byte, and no extended attributes (there is no file to take
  // them from). A target written in place keeps its own.
  [[nodiscard]] FileError Open(FileSystem& fs, const std::string& path,
                               const FileInfo& like);
  // As the two above, treating what is at `path` as `options` say.
  [[nodiscard]] FileError Open(FileSystem& fs, const std::string& path,
                               const ReplaceOptions& options,
                               const FileInfo* like = nullptr);
  // Appends `piece`, however the file system splits or interrupts writes.
  // After a failure (the replacement is then aborted) every further call
  // returns that first error without writing; kBadHandle when nothing is open.
  [[nodiscard]] FileError Write(std::string_view piece);
  // The number of bytes the caller is about to write, when it knows it, for
  // the next Open: a progress observer (platform/progress.h) is shown the
  // bytes written against it. Nothing else depends on it.
  void ExpectSize(uint64_t bytes) { expectedSize_ = bytes; }
  // Puts the written bytes in place: kNone when the path now holds exactly
  // them. On failure the sibling is removed and the path holds what it held; a
  // folder that cannot be flushed afterwards is not a failure. Returns the
  // first error of an earlier Write without doing anything else.
  [[nodiscard]] FileError Commit();
  // Gives up: the sibling is removed, the path keeps what it held.
  void Abort();

  // The first error since Open (kNone: none) and the step it happened in.
  FileError error() const { return error_; }
  ReplaceStep failedStep() const { return failedStep_; }
  // True when the target is written in place (not a regular file).
  bool writesInPlace() const { return state_ == State::kInPlace; }

 private:
  enum class State { kIdle, kReplacing, kInPlace, kFailed };

  FileError Fail(ReplaceStep step, FileError error);
  // Ends an Open that writes in place through handle_, which `opened` says
  // whether the file system gave.
  FileError StartInPlace(FileError opened, const std::string& path,
                         uint64_t expected);
  FileError CreateSibling(const std::string& target, uint32_t permissions);
  FileError OpenWith(FileSystem& fs, const std::string& path,
                     const ReplaceOptions& options, const FileInfo* like);
  FileError KeepAttributes(const FileInfo& replaced);
  void Release();

  FileSystem* fs_ = nullptr;
  State state_ = State::kIdle;
  FileSystem::Handle handle_ = -1;
  std::string target_;    // the file that the rename replaces
  std::string sibling_;   // the temporary file, while it exists
  int pendingSlot_ = -1;  // the sibling's entry for the interrupt clean-up
  FileError error_ = FileError::kNone;
  ReplaceStep failedStep_ = ReplaceStep::kNone;
  uint64_t expectedSize_ = 0;  // for the next Open; 0: not known
  ProgressReport progress_;    // from a successful Open to Commit or Abort
};

// Replaces the file at `path` with `data` through a FileReplacement: opens,
// writes, commits. Returns kNone or the error of the first failing step,
// which `failedStep` receives when given (kNone on success); a folder that
// does not exist fails at kCreate, a folder at `path` at kCreate with
// kIsDirectory. On failure the previous file at `path` is left exactly as it
// was.
FileError ReplaceFileAtomically(FileSystem& fs, const std::string& path,
                                std::string_view data,
                                ReplaceStep* failedStep = nullptr);

// Copies the file at `from` to `to` through a FileReplacement, in pieces
// (replacing `to` when `overwrite`; failing with kExists otherwise when it
// exists). A source that cannot be read, or holds more than `maxBytes`,
// leaves `to` as it was. With `like`, the copy receives those attributes
// (FileReplacement::Open with `like`).
// `options` says how the replacement treats what is at `to`.
FileError CopyFileAtomically(FileSystem& fs, const std::string& from,
                             const std::string& to, bool overwrite,
                             size_t maxBytes, const FileInfo* like = nullptr,
                             const ReplaceOptions& options = ReplaceOptions());

// The file that the symbolic links at `path` finally name (`path` itself
// when it is no link), which may not exist yet: what a replacement of `path`
// replaces. Relative targets count from the folder of the link holding them.
// The walk stops at a name of one of the process's own descriptors
// (NamesOwnHandle), which names no file to follow to. When the file
// system's EffectiveUser is root, a link owned by any other user fails with
// kLinkNotTrusted. kLoop for a cycle or too long a chain; an error of a link
// that cannot be examined or read.
FileError ResolveLinks(FileSystem& fs, const std::string& path,
                       std::string* target);

// Installs handlers that remove the sibling files of every replacement still
// open when the process is interrupted. On POSIX systems: SIGINT, SIGTERM
// and SIGHUP, after which the process ends by the same signal with its
// default action (a signal the process ignores stays ignored). On Windows:
// the console's Ctrl+C, Ctrl+Break, close and shutdown events, after which
// the default handling ends the process. Call once, early in main; later
// calls do nothing. A process killed outright (SIGKILL, TerminateProcess)
// may leave a sibling behind; its name is never reused by a later write.
void InstallInterruptCleanup();

// Makes the interrupt clean-up (InstallInterruptCleanup) remove the file at
// `path` while the object lives, as it removes a replacement's sibling: a
// link there is removed, not what it names. For files an operation makes
// beside its target that are no replacement's sibling, such as the merge's
// ".tmp" and ".out". The clean-up holds a few paths at once: one it cannot
// hold (or too long a path) is not removed by an interrupt, and noted()
// says so. Not copyable.
class InterruptCleanupEntry {
 public:
  explicit InterruptCleanupEntry(const std::string& path);
  ~InterruptCleanupEntry();
  InterruptCleanupEntry(const InterruptCleanupEntry&) = delete;
  InterruptCleanupEntry& operator=(const InterruptCleanupEntry&) = delete;

  bool noted() const { return slot_ >= 0; }

 private:
  int slot_ = -1;
};

// While it lives, reads of `path` exactly (ReadFile, ReadFileInPieces, and
// Stat) through the current file system are reads of the file open under
// `handle`, which `info` describes (what OpenForReading told), each from its
// first byte; every other path and operation goes to the file system that
// was current when it was made, which it restores when destroyed. For
// readers that take a path, when what they read must be the file already
// opened and checked, whatever the name means by then. The handle stays
// open.
class ScopedOpenFileReads : public FileSystemWrapper {
 public:
  ScopedOpenFileReads(std::string path, Handle handle, const FileInfo& info);

  FileError Stat(const std::string& path, FileInfo* info) override;
  FileError ReadFile(const std::string& path, size_t maxBytes,
                     std::string* contents) override;
  FileError ReadFileInPieces(const std::string& path, size_t maxBytes,
                             const ChunkSink& sink) override;

 private:
  std::string path_;
  Handle handle_;
  FileInfo info_;
  ScopedFileSystem installed_{this};
};

}  // namespace devseries::platform
#pragma GCC visibility pop
