#include "tests/support/fault_file_system.h"

#include <algorithm>

#include "tests/support/temp_dir.h"

namespace tovra::testing {

using platform::FileError;

const char* FsCallName(FsCall call) {
  switch (call) {
    case FsCall::kCreateNew:
      return "CreateNew";
    case FsCall::kWrite:
      return "Write";
    case FsCall::kSync:
      return "Sync";
    case FsCall::kClose:
      return "Close";
    case FsCall::kRename:
      return "Rename";
    case FsCall::kRemove:
      return "Remove";
    case FsCall::kSyncParentDirectory:
      return "SyncParentDirectory";
    case FsCall::kExists:
      return "Exists";
    case FsCall::kIsDirectory:
      return "IsDirectory";
    case FsCall::kReadFile:
      return "ReadFile";
    case FsCall::kOpenInPlace:
      return "OpenInPlace";
    case FsCall::kSetOwner:
      return "SetOwner";
    case FsCall::kSetPermissions:
      return "SetPermissions";
    case FsCall::kStat:
      return "Stat";
    case FsCall::kLinkStat:
      return "LinkStat";
    case FsCall::kReadLink:
      return "ReadLink";
    case FsCall::kOpenToInspect:
      return "OpenToInspect";
    case FsCall::kReopenForWriting:
      return "ReopenForWriting";
    case FsCall::kDuplicate:
      return "Duplicate";
    case FsCall::kCopyExtendedAttributes:
      return "CopyExtendedAttributes";
    case FsCall::kOpenForReading:
      return "OpenForReading";
    case FsCall::kRead:
      return "Read";
    case FsCall::kLockExclusive:
      return "LockExclusive";
  }
  return "?";
}

FileError DefaultError(FsCall call) {
  switch (call) {
    case FsCall::kCreateNew:
    case FsCall::kOpenInPlace:
    case FsCall::kOpenToInspect:
    case FsCall::kReopenForWriting:
    case FsCall::kOpenForReading:
    case FsCall::kRename:
    case FsCall::kRemove:
      return FileError::kAccessDenied;
    case FsCall::kWrite:
      return FileError::kNoSpace;
    case FsCall::kSetOwner:
      return FileError::kNotPermitted;
    default:
      return FileError::kIo;
  }
}

std::vector<FileError> ErrorsToInject(FsCall call) {
  switch (call) {
    case FsCall::kCreateNew:
      // kExists: a sibling of that name exists; another name must be tried.
      return {FileError::kAccessDenied, FileError::kExists};
    case FsCall::kWrite:
      return {FileError::kNoSpace, FileError::kInterrupted};
    case FsCall::kSetOwner:
      return {FileError::kNotPermitted, FileError::kIo};
    default:
      return {DefaultError(call)};
  }
}

FaultFileSystem::FaultFileSystem()
    : FaultFileSystem(platform::FileSystem::Default()) {}

FaultFileSystem::FaultFileSystem(platform::FileSystem* target)
    : FileSystemWrapper(target) {}

void FaultFileSystem::FailNthCall(size_t n, FileError error) {
  rules_.push_back({true, FsCall::kCreateNew, n, error});
}

void FaultFileSystem::FailCall(FsCall call, size_t n, FileError error) {
  rules_.push_back({false, call, n, error});
}

void FaultFileSystem::LimitBytesPerWrite(size_t bytes) {
  bytesPerWrite_ = bytes;
}

void FaultFileSystem::InterruptEveryOtherWrite() {
  interruptEveryOtherWrite_ = true;
}

void FaultFileSystem::SetDiskSpace(size_t bytes) { diskSpace_ = bytes; }

size_t FaultFileSystem::CallCount(FsCall call) const {
  return static_cast<size_t>(
      std::count_if(calls_.begin(), calls_.end(),
                    [&](const FsCallRecord& r) { return r.call == call; }));
}

size_t FaultFileSystem::InjectedFailures() const {
  return static_cast<size_t>(
      std::count_if(calls_.begin(), calls_.end(),
                    [](const FsCallRecord& r) { return r.failed; }));
}

std::set<std::string> FaultFileSystem::RefusedRemovals() const {
  std::set<std::string> refused;
  for (const FsCallRecord& r : calls_) {
    if (r.call == FsCall::kRemove && r.failed) refused.insert(r.path);
  }
  return refused;
}

FileError FaultFileSystem::Enter(FsCall call, const std::string& path,
                                 const std::string& to) {
  calls_.push_back({call, path, to, false, false});
  const size_t overall = calls_.size();
  const size_t ofKind = CallCount(call);
  for (const Rule& rule : rules_) {
    bool hit = rule.anyKind
                   ? rule.n == overall
                   : rule.call == call && (rule.n == 0 || rule.n == ofKind);
    if (hit) {
      calls_.back().failed = true;
      return rule.error != FileError::kNone ? rule.error : DefaultError(call);
    }
  }
  return FileError::kNone;
}

std::string FaultFileSystem::PathOf(Handle handle) const {
  for (const auto& [h, path] : open_) {
    if (h == handle) return path;
  }
  return "";
}

FileError FaultFileSystem::CreateNew(const std::string& path, Handle* handle) {
  if (FileError error = Enter(FsCall::kCreateNew, path);
      error != FileError::kNone)
    return error;
  FileError error = target()->CreateNew(path, handle);
  if (error == FileError::kNone) open_.emplace_back(*handle, path);
  return error;
}

FileError FaultFileSystem::CreateNew(const std::string& path,
                                     uint32_t permissions, Handle* handle) {
  if (FileError error = Enter(FsCall::kCreateNew, path);
      error != FileError::kNone)
    return error;
  FileError error = target()->CreateNew(path, permissions, handle);
  if (error == FileError::kNone) open_.emplace_back(*handle, path);
  return error;
}

FileError FaultFileSystem::OpenToInspect(const std::string& path,
                                         bool followLinks, Handle* handle,
                                         platform::FileInfo* info) {
  if (FileError error = Enter(FsCall::kOpenToInspect, path);
      error != FileError::kNone)
    return error;
  FileError error = target()->OpenToInspect(path, followLinks, handle, info);
  if (error == FileError::kNone) {
    open_.emplace_back(*handle, path);
    inspecting_.insert(*handle);
  }
  return error;
}

FileError FaultFileSystem::ReopenForWriting(Handle inspected, bool nonBlocking,
                                            Handle* handle) {
  const std::string path = PathOf(inspected);
  if (FileError error = Enter(FsCall::kReopenForWriting, path);
      error != FileError::kNone)
    return error;
  FileError error = target()->ReopenForWriting(inspected, nonBlocking, handle);
  if (error == FileError::kNone) open_.emplace_back(*handle, path);
  return error;
}

FileError FaultFileSystem::Duplicate(Handle handle, Handle* copy) {
  const std::string path = PathOf(handle);
  if (FileError error = Enter(FsCall::kDuplicate, path);
      error != FileError::kNone)
    return error;
  FileError error = target()->Duplicate(handle, copy);
  if (error == FileError::kNone) open_.emplace_back(*copy, path);
  return error;
}

FileError FaultFileSystem::CopyExtendedAttributes(Handle from, Handle to) {
  if (FileError error =
          Enter(FsCall::kCopyExtendedAttributes, PathOf(from), PathOf(to));
      error != FileError::kNone)
    return error;
  return target()->CopyExtendedAttributes(from, to);
}

FileError FaultFileSystem::OpenForReading(const std::string& path,
                                          const platform::ReadOptions& options,
                                          Handle* handle,
                                          platform::FileInfo* info) {
  if (FileError error = Enter(FsCall::kOpenForReading, path);
      error != FileError::kNone)
    return error;
  FileError error = target()->OpenForReading(path, options, handle, info);
  if (error == FileError::kNone) open_.emplace_back(*handle, path);
  return error;
}

FileError FaultFileSystem::Read(Handle handle, void* data, size_t size,
                                size_t* got) {
  *got = 0;
  if (FileError error = Enter(FsCall::kRead, PathOf(handle));
      error != FileError::kNone)
    return error;
  return target()->Read(handle, data, size, got);
}

FileError FaultFileSystem::LockExclusive(Handle handle) {
  if (FileError error = Enter(FsCall::kLockExclusive, PathOf(handle));
      error != FileError::kNone)
    return error;
  return target()->LockExclusive(handle);
}

FileError FaultFileSystem::OpenInPlace(const std::string& path,
                                       Handle* handle) {
  if (FileError error = Enter(FsCall::kOpenInPlace, path);
      error != FileError::kNone)
    return error;
  FileError error = target()->OpenInPlace(path, handle);
  if (error == FileError::kNone) open_.emplace_back(*handle, path);
  return error;
}

FileError FaultFileSystem::Write(Handle handle, const void* data, size_t size,
                                 size_t* written) {
  *written = 0;
  if (FileError error = Enter(FsCall::kWrite, PathOf(handle));
      error != FileError::kNone)
    return error;
  if (interruptEveryOtherWrite_ && (++writes_ % 2) == 1) {
    return FileError::kInterrupted;
  }
  if (bytesPerWrite_ != 0 && size > bytesPerWrite_) size = bytesPerWrite_;
  size_t room = diskSpace_ - used_;
  if (size > 0 && room == 0) return FileError::kNoSpace;
  if (size > room) size = room;
  FileError error = target()->Write(handle, data, size, written);
  used_ += *written;
  return error;
}

FileError FaultFileSystem::Sync(Handle handle) {
  if (FileError error = Enter(FsCall::kSync, PathOf(handle));
      error != FileError::kNone)
    return error;
  return target()->Sync(handle);
}

FileError FaultFileSystem::Close(Handle handle) {
  FileError injected = Enter(FsCall::kClose, PathOf(handle));
  calls_.back().inspecting = inspecting_.erase(handle) != 0;
  // The handle is released whatever is reported, as close(2) does.
  FileError error = target()->Close(handle);
  open_.erase(std::remove_if(open_.begin(), open_.end(),
                             [&](const auto& e) { return e.first == handle; }),
              open_.end());
  return injected != FileError::kNone ? injected : error;
}

FileError FaultFileSystem::SetOwner(Handle handle, uint32_t owner,
                                    uint32_t group) {
  if (FileError error = Enter(FsCall::kSetOwner, PathOf(handle));
      error != FileError::kNone)
    return error;
  return target()->SetOwner(handle, owner, group);
}

FileError FaultFileSystem::SetPermissions(Handle handle, uint32_t permissions) {
  if (FileError error = Enter(FsCall::kSetPermissions, PathOf(handle));
      error != FileError::kNone)
    return error;
  return target()->SetPermissions(handle, permissions);
}

FileError FaultFileSystem::Rename(const std::string& from,
                                  const std::string& to) {
  if (FileError error = Enter(FsCall::kRename, from, to);
      error != FileError::kNone)
    return error;
  return target()->Rename(from, to);
}

FileError FaultFileSystem::Remove(const std::string& path) {
  if (FileError error = Enter(FsCall::kRemove, path); error != FileError::kNone)
    return error;
  return target()->Remove(path);
}

FileError FaultFileSystem::SyncParentDirectory(const std::string& path) {
  if (FileError error = Enter(FsCall::kSyncParentDirectory, path);
      error != FileError::kNone)
    return error;
  return target()->SyncParentDirectory(path);
}

FileError FaultFileSystem::Stat(const std::string& path,
                                platform::FileInfo* info) {
  if (FileError error = Enter(FsCall::kStat, path); error != FileError::kNone)
    return error;
  return target()->Stat(path, info);
}

FileError FaultFileSystem::LinkStat(const std::string& path,
                                    platform::FileInfo* info) {
  if (FileError error = Enter(FsCall::kLinkStat, path);
      error != FileError::kNone)
    return error;
  return target()->LinkStat(path, info);
}

FileError FaultFileSystem::ReadLink(const std::string& path,
                                    std::string* target) {
  if (FileError error = Enter(FsCall::kReadLink, path);
      error != FileError::kNone) {
    target->clear();
    return error;
  }
  return FileSystemWrapper::ReadLink(path, target);
}

bool FaultFileSystem::Exists(const std::string& path) {
  if (Enter(FsCall::kExists, path) != FileError::kNone) return false;
  return target()->Exists(path);
}

bool FaultFileSystem::IsDirectory(const std::string& path) {
  if (Enter(FsCall::kIsDirectory, path) != FileError::kNone) return false;
  return target()->IsDirectory(path);
}

FileError FaultFileSystem::ReadFile(const std::string& path, size_t maxBytes,
                                    std::string* contents) {
  if (FileError error = Enter(FsCall::kReadFile, path);
      error != FileError::kNone) {
    contents->clear();
    return error;
  }
  return target()->ReadFile(path, maxBytes, contents);
}

std::string Describe(size_t k, const FsCallRecord& call) {
  std::string text = "call " + std::to_string(k) + ": " +
                     FsCallName(call.call) + " " + call.path;
  if (!call.to.empty()) text += " -> " + call.to;
  return text;
}

std::vector<InjectedFault> SweepFaults(const FaultFileSystem& clean) {
  std::vector<InjectedFault> faults;
  const std::vector<FsCallRecord>& calls = clean.calls();
  for (size_t k = 1; k <= calls.size(); ++k) {
    const FsCallRecord& call = calls[k - 1];
    for (FileError error : ErrorsToInject(call.call)) {
      InjectedFault fault;
      bool answers =
          call.call == FsCall::kExists || call.call == FsCall::kIsDirectory;
      fault.what = Describe(k, call) +
                   (answers ? " answers false"
                            : " fails: " + platform::FileErrorText(error));
      fault.inject = [k, error](FaultFileSystem& fs) {
        fs.FailNthCall(k, error);
      };
      fault.call = call;
      fault.error = error;
      fault.recoverable =
          error == FileError::kInterrupted ||
          (call.call == FsCall::kCreateNew && error == FileError::kExists) ||
          (call.call == FsCall::kSetOwner &&
           error == FileError::kNotPermitted) ||
          call.call == FsCall::kSyncParentDirectory ||
          (call.call == FsCall::kClose && call.inspecting) ||
          call.call == FsCall::kIsDirectory;
      if (!fault.recoverable) {
        // The same fault, and the clean-up after it refused as well.
        InjectedFault twin = fault;
        twin.what += ", every removal refused";
        twin.inject = [k, error](FaultFileSystem& fs) {
          fs.FailNthCall(k, error);
          fs.FailCall(FsCall::kRemove, 0);
        };
        faults.push_back(std::move(twin));
      }
      faults.push_back(std::move(fault));
    }
  }
  faults.push_back({"every write takes one byte",
                    [](FaultFileSystem& fs) { fs.LimitBytesPerWrite(1); },
                    std::nullopt, FileError::kNone, true});
  faults.push_back({"every other write is interrupted",
                    [](FaultFileSystem& fs) {
                      fs.LimitBytesPerWrite(7);
                      fs.InterruptEveryOtherWrite();
                    },
                    std::nullopt, FileError::kInterrupted, true});
  const size_t total = clean.BytesWritten();
  std::set<size_t> room = {0, 1, total / 2};
  if (total > 0) room.insert(total - 1);
  for (size_t bytes : room) {
    if (bytes >= total) continue;
    faults.push_back({"disk full after " + std::to_string(bytes) + " of " +
                          std::to_string(total) + " bytes",
                      [bytes](FaultFileSystem& fs) { fs.SetDiskSpace(bytes); },
                      std::nullopt, FileError::kNoSpace, false});
  }
  return faults;
}

std::vector<std::string> LeftBehind(const std::string& folder,
                                    const std::set<std::string>& expected,
                                    const FaultFileSystem& fs) {
  std::set<std::string> refused = fs.RefusedRemovals();
  std::vector<std::string> left;
  for (const std::string& name : ListFolder(folder)) {
    if (expected.count(name) != 0) continue;
    if (refused.count(folder + "/" + name) != 0) continue;
    left.push_back(name);
  }
  return left;
}

}  // namespace tovra::testing
