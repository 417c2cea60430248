#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace platform {
namespace {

// The one place that turns a failed system call into an error number.
int LastError() { return errno != 0 ? errno : EIO; }

class PosixFileSystem : public FileSystem {
 public:
  int CreateNew(const std::string& path, Handle* handle) override {
    int fd = ::open(NativePath(path).c_str(),
                    O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return LastError();
    *handle = fd;
    return 0;
  }

  int Write(Handle handle, const void* data, size_t size,
            size_t* written) override {
    *written = 0;
    ssize_t n = ::write(handle, data, size);
    if (n < 0) return LastError();
    *written = static_cast<size_t>(n);
    return 0;
  }

  int Sync(Handle handle) override {
    return ::fsync(handle) == 0 ? 0 : LastError();
  }

  int Close(Handle handle) override {
    return ::close(handle) == 0 ? 0 : LastError();
  }

  int Rename(const std::string& from, const std::string& to) override {
    return ::rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0
               ? 0
               : LastError();
  }

  int Remove(const std::string& path) override {
    return ::unlink(NativePath(path).c_str()) == 0 ? 0 : LastError();
  }

  int SyncParentDirectory(const std::string& path) override {
    std::string native = NativePath(path);
    size_t slash = native.rfind('/');
    std::string dir = slash == std::string::npos ? std::string(".")
                      : slash == 0               ? std::string("/")
                                                 : native.substr(0, slash);
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return LastError();
    int result = ::fsync(fd) == 0 ? 0 : LastError();
    ::close(fd);
    return result;
  }

  bool Exists(const std::string& path) override {
    struct stat st;
    return ::stat(NativePath(path).c_str(), &st) == 0;
  }

  bool IsDirectory(const std::string& path) override {
    struct stat st;
    return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  int ReadFile(const std::string& path, size_t maxBytes,
               std::string* contents) override {
    contents->clear();
    int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return LastError();
    struct stat st;
    if (::fstat(fd, &st) != 0) {
      int error = LastError();
      ::close(fd);
      return error;
    }
    if (S_ISDIR(st.st_mode)) {
      ::close(fd);
      return EISDIR;
    }
    if (st.st_size > 0 && static_cast<uint64_t>(st.st_size) > maxBytes) {
      ::close(fd);
      return EFBIG;
    }
    char buffer[65536];
    for (;;) {
      ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0) {
        if (errno == EINTR) continue;
        int error = LastError();
        ::close(fd);
        contents->clear();
        return error;
      }
      if (n == 0) break;
      if (contents->size() + static_cast<size_t>(n) > maxBytes) {
        ::close(fd);
        contents->clear();
        return EFBIG;
      }
      contents->append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return 0;
  }

  int ReadFileInPieces(const std::string& path, size_t maxBytes,
                       const ChunkSink& sink) override {
    int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return LastError();
    struct stat st;
    int result = ::fstat(fd, &st) != 0 ? LastError() : 0;
    if (result == 0 && S_ISDIR(st.st_mode)) result = EISDIR;
    if (result == 0 && st.st_size > 0 &&
        static_cast<uint64_t>(st.st_size) > maxBytes) {
      result = EFBIG;
    }
    std::string buffer(size_t{1} << 20, '\0');
    size_t total = 0;
    while (result == 0) {
      ssize_t n = ::read(fd, buffer.data(), buffer.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        result = LastError();
        break;
      }
      if (n == 0) break;
      total += static_cast<size_t>(n);
      if (total > maxBytes) {
        result = EFBIG;
        break;
      }
      if (!sink(std::string_view(buffer.data(), static_cast<size_t>(n)))) break;
    }
    ::close(fd);
    return result;
  }
};

PosixFileSystem g_posix;
FileSystem* g_current = &g_posix;
std::atomic<unsigned> g_siblingCounter{0};

}  // namespace

std::string NativePath(std::string_view path) {
  std::string native(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

std::string IoErrorText(int error) {
  if (error == EFBIG) return "file too large";
  return std::strerror(error);
}

int FileSystem::ReadFileInPieces(const std::string& path, size_t maxBytes,
                                 const ChunkSink& sink) {
  std::string contents;
  int error = ReadFile(path, maxBytes, &contents);
  if (error == 0 && !contents.empty()) sink(contents);
  return error;
}

FileSystem* FileSystem::Current() { return g_current; }

FileSystem* FileSystem::SetCurrent(FileSystem* fs) {
  FileSystem* previous = g_current;
  g_current = fs != nullptr ? fs : &g_posix;
  return previous;
}

FileSystem* FileSystem::Real() { return &g_posix; }

int ReplaceFileAtomically(FileSystem& fs, const std::string& path,
                          std::string_view data, ReplaceStep* failedStep) {
  ReplaceStep step = ReplaceStep::kNone;
  auto fail = [&](ReplaceStep at, int error) {
    if (failedStep != nullptr) *failedStep = at;
    return error;
  };
  if (fs.IsDirectory(path)) return fail(ReplaceStep::kCreate, EISDIR);

  // A sibling in the same folder, so the rename never crosses file systems.
  std::string sibling;
  FileSystem::Handle handle = -1;
  for (int attempt = 0;; ++attempt) {
    sibling = path + ".~" + std::to_string(::getpid()) + "-" +
              std::to_string(g_siblingCounter++) + ".part";
    int error = fs.CreateNew(sibling, &handle);
    if (error == 0) break;
    if (error != EEXIST || attempt >= 100) {
      return fail(ReplaceStep::kCreate, error);
    }
  }

  int error = 0;
  const char* p = data.data();
  size_t left = data.size();
  while (left > 0) {
    size_t written = 0;
    error = fs.Write(handle, p, left, &written);
    if (error == EINTR) {
      error = 0;
    } else if (error != 0) {
      step = ReplaceStep::kWrite;
      break;
    } else if (written == 0) {
      // A write that makes no progress would loop for ever.
      error = ENOSPC;
      step = ReplaceStep::kWrite;
      break;
    }
    p += written;
    left -= written;
  }
  if (error == 0) {
    error = fs.Sync(handle);
    if (error != 0) step = ReplaceStep::kSync;
  }
  int closeError = fs.Close(handle);
  if (error == 0 && closeError != 0) {
    error = closeError;
    step = ReplaceStep::kClose;
  }
  if (error == 0) {
    error = fs.Rename(sibling, path);
    if (error != 0) step = ReplaceStep::kRename;
  }
  if (error != 0) {
    fs.Remove(sibling);
    return fail(step, error);
  }
  // The new file is in place; a folder that cannot be flushed does not undo
  // that, so this result is not reported.
  fs.SyncParentDirectory(path);
  if (failedStep != nullptr) *failedStep = ReplaceStep::kNone;
  return 0;
}

int CopyFileAtomically(FileSystem& fs, const std::string& from,
                       const std::string& to, bool overwrite, size_t maxBytes) {
  std::string contents;
  int error = fs.ReadFile(from, maxBytes, &contents);
  if (error != 0) return error;
  if (!overwrite && fs.Exists(to)) return EEXIST;
  return ReplaceFileAtomically(fs, to, contents);
}

}  // namespace platform
