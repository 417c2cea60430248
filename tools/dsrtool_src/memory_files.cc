#include "tools/dsrtool_src/memory_files.h"

#include <algorithm>
#include <istream>
#include <utility>

namespace dsrtool {

MemoryFiles::MemoryFiles()
    : platform::FileSystemWrapper(platform::FileSystem::Current()),
      installed_(this) {}

MemoryFiles::~MemoryFiles() = default;

void MemoryFiles::Add(const std::string& name, std::string bytes) {
  files_[name] = std::move(bytes);
}

bool MemoryFiles::AddStream(const std::string& name, std::istream& in,
                            size_t maxBytes) {
  std::string bytes;
  char buffer[1 << 16];
  while (bytes.size() <= maxBytes) {
    size_t wanted = std::min(sizeof buffer, maxBytes + 1 - bytes.size());
    in.read(buffer, static_cast<std::streamsize>(wanted));
    bytes.append(buffer, static_cast<size_t>(in.gcount()));
    if (!in) break;
  }
  if (in.bad()) return false;
  Add(name, std::move(bytes));
  return true;
}

std::string MemoryFiles::Take(const std::string& name) {
  auto found = files_.find(name);
  if (found == files_.end()) return std::string();
  std::string bytes = std::move(found->second);
  files_.erase(found);
  return bytes;
}

const std::string* MemoryFiles::Find(const std::string& path) const {
  auto found = files_.find(path);
  return found == files_.end() ? nullptr : &found->second;
}

platform::FileError MemoryFiles::Stat(const std::string& path,
                                      platform::FileInfo* info) {
  const std::string* held = Find(path);
  if (held == nullptr) return target()->Stat(path, info);
  *info = platform::FileInfo{platform::FileKind::kRegular, 0600, 0, 0,
                             held->size()};
  return platform::FileError::kNone;
}

platform::FileError MemoryFiles::LinkStat(const std::string& path,
                                          platform::FileInfo* info) {
  if (Find(path) == nullptr) return target()->LinkStat(path, info);
  return Stat(path, info);
}

bool MemoryFiles::Exists(const std::string& path) {
  return Find(path) != nullptr || target()->Exists(path);
}

bool MemoryFiles::IsDirectory(const std::string& path) {
  return Find(path) == nullptr && target()->IsDirectory(path);
}

platform::FileError MemoryFiles::ReadFile(const std::string& path,
                                          size_t maxBytes,
                                          std::string* contents) {
  const std::string* held = Find(path);
  if (held == nullptr) return target()->ReadFile(path, maxBytes, contents);
  if (held->size() > maxBytes) return platform::FileError::kTooLarge;
  *contents = *held;
  return platform::FileError::kNone;
}

platform::FileError MemoryFiles::ReadFileInPieces(const std::string& path,
                                                  size_t maxBytes,
                                                  const ChunkSink& sink) {
  const std::string* held = Find(path);
  if (held == nullptr) return target()->ReadFileInPieces(path, maxBytes, sink);
  if (held->size() > maxBytes) return platform::FileError::kTooLarge;
  if (!held->empty()) sink(*held);
  return platform::FileError::kNone;
}

}  // namespace dsrtool
