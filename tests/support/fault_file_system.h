// A file system for fault injection: forwards every operation to the real
// file system, records each call, and fails the calls a test asks for.
//
// The usual pattern: run an operation once under a FaultFileSystem that
// injects nothing, count its calls, then run it again once for every call k
// of that clean run with call k failed, and check what the user's files
// hold afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "devseries/platform/file_system.h"

namespace tovra::testing {

using namespace ::devseries;

// The operations of the file seam.
enum class FsCall {
  kCreateNew,
  kWrite,
  kSync,
  kClose,
  kRename,
  kRemove,
  kSyncParentDirectory,
  kExists,
  kIsDirectory,
  kReadFile,
  kOpenInPlace,
  kSetOwner,
  kSetPermissions,
  kStat,
  kLinkStat,
  kReadLink,
  kOpenToInspect,
  kReopenForWriting,
  kDuplicate,
  kCopyExtendedAttributes,
  kOpenForReading,
  kRead,
  kLockExclusive,
  kRewind,
};

// "CreateNew", "Write", ...
const char* FsCallName(FsCall call);

// The error a failed call of `call` reports by default: kAccessDenied for a
// create, an open in place, a rename and a remove, kNoSpace for a write,
// kNotPermitted for setting the owner (what a user who is not root meets),
// kAccessDenied for the opens, kIo for the others. A failed Exists or
// IsDirectory answers false.
platform::FileError DefaultError(FsCall call);

// One call of the seam as the operation made it.
struct FsCallRecord {
  FsCall call;
  // The path the call named; for the calls on a handle the path the handle
  // was opened with (for CopyExtendedAttributes the source's); for Rename
  // the source.
  std::string path;
  // Rename only: the destination.
  std::string to;
  // Whether this call was made to fail.
  bool failed = false;
  // Close only: the handle was opened to inspect a file (OpenToInspect),
  // never to read or write it.
  bool inspecting = false;
};

class FaultFileSystem : public platform::FileSystemWrapper {
 public:
  // Over the real file system.
  FaultFileSystem();
  explicit FaultFileSystem(platform::FileSystem* target);

  // Fails the `n`-th call (1-based) counted over every kind of call, with
  // `error` (kNone: the kind's DefaultError).
  void FailNthCall(size_t n,
                   platform::FileError error = platform::FileError::kNone);
  // Fails the `n`-th call (1-based) of `call`; n == 0 fails every one.
  void FailCall(FsCall call, size_t n,
                platform::FileError error = platform::FileError::kNone);
  // Every write accepts at most `bytes` bytes (a short write).
  void LimitBytesPerWrite(size_t bytes);
  // Every other write (the first, the third, ...) is interrupted
  // (kInterrupted), nothing written.
  void InterruptEveryOtherWrite();
  // The disk takes `bytes` bytes in all (what fits first), then every write
  // fails with kNoSpace.
  void SetDiskSpace(size_t bytes);

  const std::vector<FsCallRecord>& calls() const { return calls_; }
  size_t CallCount() const { return calls_.size(); }
  size_t CallCount(FsCall call) const;
  // How many calls were made to fail (short and interrupted writes count
  // only when they were refused outright).
  size_t InjectedFailures() const;
  // Paths whose removal was refused: the only files a failing operation
  // may leave behind.
  std::set<std::string> RefusedRemovals() const;
  // Bytes the writes passed on to the real file system.
  size_t BytesWritten() const { return used_; }

  platform::FileError CreateNew(const std::string& path,
                                Handle* handle) override;
  platform::FileError CreateNew(const std::string& path, uint32_t permissions,
                                Handle* handle) override;
  platform::FileError OpenToInspect(const std::string& path, bool followLinks,
                                    Handle* handle,
                                    platform::FileInfo* info) override;
  platform::FileError ReopenForWriting(Handle inspected, bool nonBlocking,
                                       Handle* handle) override;
  platform::FileError Duplicate(Handle handle, Handle* copy) override;
  platform::FileError CopyExtendedAttributes(Handle from, Handle to) override;
  platform::FileError OpenForReading(const std::string& path,
                                     const platform::ReadOptions& options,
                                     Handle* handle,
                                     platform::FileInfo* info) override;
  platform::FileError Read(Handle handle, void* data, size_t size,
                           size_t* got) override;
  platform::FileError LockExclusive(Handle handle) override;
  platform::FileError OpenInPlace(const std::string& path,
                                  Handle* handle) override;
  platform::FileError Write(Handle handle, const void* data, size_t size,
                            size_t* written) override;
  platform::FileError Sync(Handle handle) override;
  platform::FileError Close(Handle handle) override;
  platform::FileError SetOwner(Handle handle, uint32_t owner,
                               uint32_t group) override;
  platform::FileError SetPermissions(Handle handle,
                                     uint32_t permissions) override;
  platform::FileError Rename(const std::string& from,
                             const std::string& to) override;
  platform::FileError Remove(const std::string& path) override;
  platform::FileError SyncParentDirectory(const std::string& path) override;
  platform::FileError Stat(const std::string& path,
                           platform::FileInfo* info) override;
  platform::FileError LinkStat(const std::string& path,
                               platform::FileInfo* info) override;
  platform::FileError ReadLink(const std::string& path,
                               std::string* target) override;
  bool Exists(const std::string& path) override;
  bool IsDirectory(const std::string& path) override;
  platform::FileError ReadFile(const std::string& path, size_t maxBytes,
                               std::string* contents) override;
  platform::FileError Rewind(Handle handle) override;

 private:
  struct Rule {
    bool anyKind;
    FsCall call;
    size_t n;
    platform::FileError error;
  };

  // Records a call and returns the error it must fail with, or kNone.
  platform::FileError Enter(FsCall call, const std::string& path,
                            const std::string& to = "");
  std::string PathOf(Handle handle) const;

  std::vector<Rule> rules_;
  std::vector<FsCallRecord> calls_;
  std::vector<std::pair<Handle, std::string>> open_;
  std::set<Handle> inspecting_;  // handles from OpenToInspect, while open
  size_t bytesPerWrite_ = 0;     // 0: no limit
  bool interruptEveryOtherWrite_ = false;
  size_t writes_ = 0;
  size_t diskSpace_ = SIZE_MAX;
  size_t used_ = 0;
};

// The errors a sweep injects at one call: the kind's own failure, for a
// create also kExists (another sibling name must be tried), for a write also
// kInterrupted (which a writer must retry), for setting the owner also kIo
// (kNotPermitted, its own, a writer comes through by keeping what it may).
std::vector<platform::FileError> ErrorsToInject(FsCall call);

// "call 7: Rename a.part -> a"
std::string Describe(size_t k, const FsCallRecord& call);

// One fault of a sweep.
struct InjectedFault {
  std::string what;
  std::function<void(FaultFileSystem&)> inject;
  // The call made to fail, for a fault of one call.
  std::optional<FsCallRecord> call;
  platform::FileError error = platform::FileError::kNone;
  // A careful writer comes through this fault with the same result as
  // without it: an interrupted or short write, a sibling name already
  // taken, a folder that cannot be flushed once the new file is in place,
  // an owner the process may not set, a handle that was only looked through
  // and cannot be closed.
  bool recoverable = false;
};

// The faults to try on an operation whose clean run `clean` recorded: each
// call k of that run failed with each error of ErrorsToInject (Exists and
// IsDirectory answering false; a fault a writer cannot come through also
// with every removal refused), every write taking one byte, every other
// write interrupted, and a disk that is full after 0, 1, half and all but
// one of the bytes the clean run wrote.
std::vector<InjectedFault> SweepFaults(const FaultFileSystem& clean);

// The names in `folder` that are neither in `expected` nor a file whose
// removal `fs` refused: temporary files left behind.
std::vector<std::string> LeftBehind(const std::string& folder,
                                    const std::set<std::string>& expected,
                                    const FaultFileSystem& fs);

}  // namespace tovra::testing
