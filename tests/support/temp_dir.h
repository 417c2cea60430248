// Test helpers: a per-test temporary folder and whole-file reads and writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tovra::testing {

// A fresh folder under the system's temporary folder, removed with all its
// contents when the object goes away. path() ends without a separator.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name.
  std::string File(const std::string& name) const;

 private:
  std::string path_;
};

// The whole content of a file; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// Writes `bytes` to `path`, creating or truncating it; fails the test on error.
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// Names of the entries of a folder, sorted.
std::vector<std::string> ListFolder(const std::string& path);
// Creates the folder `path`, whose parent exists; false when it cannot
// (something is already there, or the parent is missing).
bool MakeFolder(const std::string& path);
// Sets the size of the file at `path`; bytes added are zero (a sparse
// file where the file system makes them). Fails the test on error.
void ResizeFile(const std::string& path, std::uintmax_t size);

// Makes `folder` the current folder for the lifetime of the object.
class ScopedCurrentFolder {
 public:
  explicit ScopedCurrentFolder(const std::string& folder);
  ~ScopedCurrentFolder();
  ScopedCurrentFolder(const ScopedCurrentFolder&) = delete;
  ScopedCurrentFolder& operator=(const ScopedCurrentFolder&) = delete;

 private:
  std::string previous_;
};

}  // namespace tovra::testing
