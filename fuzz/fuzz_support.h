// Shared pieces of the fuzz targets: quiet debug output, one input file
// served from memory through the file seam, and the failure report.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "devseries/platform/debug_output.h"
#include "devseries/platform/file_system.h"

namespace tovra::fuzz {

using namespace ::devseries;

// Readers report on the debug output; a fuzzer runs them millions of times.
class QuietDebugOutput : public platform::DebugOutputSink {
 public:
  QuietDebugOutput() {
    platform::Seam<platform::DebugOutputSink>::Install(this);
  }
  void Write(std::string_view) override {}
};

// Installs the quiet sink once per process.
inline void Quiet() { static QuietDebugOutput quiet; }

// A file system holding one file, kInputPath, whose bytes are the fuzz
// input; every other path is missing and nothing can be written, so the
// loaders run unchanged without touching the disk.
class InputFileSystem : public platform::FileSystem {
 public:
  using FileError = platform::FileError;

  static constexpr const char* kInputPath = "fuzz-input.xml";

  explicit InputFileSystem(std::string_view bytes)
      : bytes_(bytes), installed_(this) {}

  using platform::FileSystem::CreateNew;
  FileError CreateNew(const std::string&, Handle*) override {
    return FileError::kReadOnly;
  }
  FileError OpenInPlace(const std::string&, Handle*) override {
    return FileError::kReadOnly;
  }
  FileError Write(Handle, const void*, size_t, size_t* written) override {
    *written = 0;
    return FileError::kBadHandle;
  }
  FileError Sync(Handle) override { return FileError::kBadHandle; }
  FileError Close(Handle handle) override {
    return readers_.erase(handle) != 0 ? FileError::kNone
                                       : FileError::kBadHandle;
  }
  FileError OpenForReading(const std::string& path,
                           const platform::ReadOptions&, Handle* handle,
                           platform::FileInfo* info) override {
    FileError error = Stat(path, info);
    if (error != FileError::kNone) return error;
    *handle = nextHandle_++;
    readers_[*handle] = 0;
    return FileError::kNone;
  }
  FileError Read(Handle handle, void* data, size_t size, size_t* got) override {
    *got = 0;
    auto reader = readers_.find(handle);
    if (reader == readers_.end()) return FileError::kBadHandle;
    std::string_view left = bytes_.substr(reader->second);
    *got = left.copy(static_cast<char*>(data), size);
    reader->second += *got;
    return FileError::kNone;
  }
  FileError SetOwner(Handle, uint32_t, uint32_t) override {
    return FileError::kBadHandle;
  }
  FileError SetPermissions(Handle, uint32_t) override {
    return FileError::kBadHandle;
  }
  FileError Rename(const std::string&, const std::string&) override {
    return FileError::kReadOnly;
  }
  FileError Remove(const std::string&) override { return FileError::kReadOnly; }
  FileError SyncParentDirectory(const std::string&) override {
    return FileError::kNone;
  }
  FileError Stat(const std::string& path, platform::FileInfo* info) override {
    if (path != kInputPath) return FileError::kNotFound;
    *info = platform::FileInfo();
    info->permissions = 0444;
    info->size = bytes_.size();
    return FileError::kNone;
  }
  FileError LinkStat(const std::string& path,
                     platform::FileInfo* info) override {
    return Stat(path, info);
  }
  FileError ReadLink(const std::string&, std::string*) override {
    return FileError::kInvalid;
  }
  bool Exists(const std::string& path) override { return path == kInputPath; }
  bool IsDirectory(const std::string&) override { return false; }
  FileError ReadFile(const std::string& path, size_t maxBytes,
                     std::string* contents) override {
    contents->clear();
    if (path != kInputPath) return FileError::kNotFound;
    if (bytes_.size() > maxBytes) return FileError::kTooLarge;
    contents->assign(bytes_);
    return FileError::kNone;
  }

 private:
  std::string_view bytes_;
  // The open readers and how far each has read.
  std::map<Handle, size_t> readers_;
  Handle nextHandle_ = 3;
  platform::ScopedFileSystem installed_;
};

// Reports a broken property of the code under test and stops the process,
// which the fuzzer records as a crash with this input.
[[noreturn]] inline void Fail(const char* what, std::string_view detail = {}) {
  std::string shown(detail.substr(0, 4000));
  std::fprintf(stderr, "fuzz property violated: %s\n%s\n", what, shown.c_str());
  std::abort();
}

}  // namespace tovra::fuzz
