// Shared pieces of the fuzz targets: quiet debug output, one input file
// served from memory through the file seam, and the failure report.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/debug_output.h"
#include "platform/file_system.h"

namespace tovra::fuzz {

using namespace ::devseries;

// Readers report on the debug output; a fuzzer runs them millions of times.
class QuietDebugOutput : public platform::DebugOutputSink {
 public:
  QuietDebugOutput() { platform::SetDebugOutputSink(this); }
  void Write(std::string_view) override {}
};

// Installs the quiet sink once per process.
inline void Quiet() { static QuietDebugOutput quiet; }

// A file system holding one file, kInputPath, whose bytes are the fuzz
// input; every other path is missing and nothing can be written, so the
// loaders run unchanged without touching the disk.
class InputFileSystem : public platform::FileSystem {
 public:
  static constexpr const char* kInputPath = "fuzz-input.xml";

  explicit InputFileSystem(std::string_view bytes)
      : bytes_(bytes), previous_(platform::FileSystem::SetCurrent(this)) {}
  ~InputFileSystem() override { platform::FileSystem::SetCurrent(previous_); }

  int CreateNew(const std::string&, Handle*) override { return EROFS; }
  int OpenInPlace(const std::string&, Handle*) override { return EROFS; }
  int Write(Handle, const void*, size_t, size_t* written) override {
    *written = 0;
    return EBADF;
  }
  int Sync(Handle) override { return EBADF; }
  int Close(Handle) override { return EBADF; }
  int SetOwner(Handle, uint32_t, uint32_t) override { return EBADF; }
  int SetPermissions(Handle, uint32_t) override { return EBADF; }
  int Rename(const std::string&, const std::string&) override { return EROFS; }
  int Remove(const std::string&) override { return EROFS; }
  int SyncParentDirectory(const std::string&) override { return 0; }
  int Stat(const std::string& path, platform::FileInfo* info) override {
    if (path != kInputPath) return ENOENT;
    *info = {platform::FileKind::kRegular, 0444, 0, 0};
    return 0;
  }
  int LinkStat(const std::string& path, platform::FileInfo* info) override {
    return Stat(path, info);
  }
  int ReadLink(const std::string&, std::string*) override { return EINVAL; }
  bool Exists(const std::string& path) override { return path == kInputPath; }
  bool IsDirectory(const std::string&) override { return false; }
  int ReadFile(const std::string& path, size_t maxBytes,
               std::string* contents) override {
    contents->clear();
    if (path != kInputPath) return ENOENT;
    if (bytes_.size() > maxBytes) return EFBIG;
    contents->assign(bytes_);
    return 0;
  }

 private:
  std::string_view bytes_;
  platform::FileSystem* previous_;
};

// Reports a broken property of the code under test and stops the process,
// which the fuzzer records as a crash with this input.
[[noreturn]] inline void Fail(const char* what, std::string_view detail = {}) {
  std::string shown(detail.substr(0, 4000));
  std::fprintf(stderr, "fuzz property violated: %s\n%s\n", what, shown.c_str());
  std::abort();
}

}  // namespace tovra::fuzz
