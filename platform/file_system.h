// File operations: every file the updater or the library touches goes
// through one FileSystem object, so tests can inject failures (a short
// write, a full disk, a refused rename) without touching paths they do not
// own.
//
// Paths arrive in Windows form, e.g. "/opt/vintrell/Ostrivane\Help\x.html":
// backslash and slash both separate components when the file system is
// touched (NativePath); callers keep and log the path exactly as composed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

// The path handed to the operating system: every backslash becomes a slash.
std::string NativePath(std::string_view path);

// Text for an error number of the operations below ("No space left on device").
std::string IoErrorText(int error);

// The seam. Operations return 0 on success or a POSIX error number.
class FileSystem {
 public:
  using Handle = int;

  FileSystem() = default;
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;
  virtual ~FileSystem() = default;

  // The file system in use: the real one unless a test installed another.
  static FileSystem* Current();
  // Installs `fs` (nullptr restores the real one); returns the previous one.
  static FileSystem* SetCurrent(FileSystem* fs);
  // The real file system.
  static FileSystem* Real();

  // Creates a new file for writing; fails with EEXIST when it exists.
  virtual int CreateNew(const std::string& path, Handle* handle) = 0;
  // Writes up to `size` bytes; `*written` receives the count actually
  // written, which may be less than `size`. EINTR may be returned.
  virtual int Write(Handle handle, const void* data, size_t size,
                    size_t* written) = 0;
  virtual int Sync(Handle handle) = 0;
  virtual int Close(Handle handle) = 0;
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  virtual int Remove(const std::string& path) = 0;
  // Flushes the directory entry changes of the folder holding `path`.
  virtual int SyncParentDirectory(const std::string& path) = 0;
  // True when a regular file (or anything else) exists at `path`.
  virtual bool Exists(const std::string& path) = 0;
  virtual bool IsDirectory(const std::string& path) = 0;
  // Reads a whole file. Fails with EFBIG when it holds more than `maxBytes`.
  virtual int ReadFile(const std::string& path, size_t maxBytes,
                       std::string* contents) = 0;
  // Reads a file piece by piece, handing each piece to `sink` in order;
  // stops early, with result 0, when `sink` returns false. Fails with EFBIG
  // when the file holds more than `maxBytes` (pieces may have been handed
  // over by then). The default reads the whole file with ReadFile.
  using ChunkSink = std::function<bool(std::string_view piece)>;
  virtual int ReadFileInPieces(const std::string& path, size_t maxBytes,
                               const ChunkSink& sink);
};

// Forwards every operation to another file system; tests derive from it and
// override the operations they want to fail.
class FileSystemWrapper : public FileSystem {
 public:
  explicit FileSystemWrapper(FileSystem* target) : target_(target) {}

  int CreateNew(const std::string& path, Handle* handle) override {
    return target_->CreateNew(path, handle);
  }
  int Write(Handle handle, const void* data, size_t size,
            size_t* written) override {
    return target_->Write(handle, data, size, written);
  }
  int Sync(Handle handle) override { return target_->Sync(handle); }
  int Close(Handle handle) override { return target_->Close(handle); }
  int Rename(const std::string& from, const std::string& to) override {
    return target_->Rename(from, to);
  }
  int Remove(const std::string& path) override { return target_->Remove(path); }
  int SyncParentDirectory(const std::string& path) override {
    return target_->SyncParentDirectory(path);
  }
  bool Exists(const std::string& path) override {
    return target_->Exists(path);
  }
  bool IsDirectory(const std::string& path) override {
    return target_->IsDirectory(path);
  }
  int ReadFile(const std::string& path, size_t maxBytes,
               std::string* contents) override {
    return target_->ReadFile(path, maxBytes, contents);
  }

 protected:
  FileSystem* target() const { return target_; }

 private:
  FileSystem* target_;
};

// Installs a file system for the lifetime of the object.
class ScopedFileSystem {
 public:
  explicit ScopedFileSystem(FileSystem* fs)
      : previous_(FileSystem::SetCurrent(fs)) {}
  ~ScopedFileSystem() { FileSystem::SetCurrent(previous_); }
  ScopedFileSystem(const ScopedFileSystem&) = delete;
  ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

 private:
  FileSystem* previous_;
};

// The step of ReplaceFileAtomically that failed.
enum class ReplaceStep { kNone, kCreate, kWrite, kSync, kClose, kRename };

// Replaces the file at `path` with `data`, atomically: the bytes go to a new
// sibling file (created exclusively), which is written completely, flushed
// and closed, then renamed over `path`; the folder is flushed last. On any
// failure before the rename only the sibling is removed, so the previous
// file at `path` is left exactly as it was. Returns 0 or the error number of
// the first failing step; a failed flush is never retried.
// When `failedStep` is given it receives the step that failed (kNone on
// success); a folder that does not exist fails at kCreate.
int ReplaceFileAtomically(FileSystem& fs, const std::string& path,
                          std::string_view data,
                          ReplaceStep* failedStep = nullptr);

// Copies the file at `from` to `to` (replacing it atomically when
// `overwrite`; failing with EEXIST otherwise when it exists).
int CopyFileAtomically(FileSystem& fs, const std::string& from,
                       const std::string& to, bool overwrite, size_t maxBytes);

}  // namespace platform
