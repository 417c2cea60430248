#include "tools/dsrtool_src/memory_files.h"

#include <algorithm>
#include <istream>
#include <string_view>
#include <utility>

namespace dsrtool {

MemoryFiles::MemoryFiles()
    : platform::FileSystemWrapper(platform::FileSystem::Current()),
      installed_(this) {}

MemoryFiles::~MemoryFiles() {
  for (auto& [name, stream] : streams_) {
    if (stream->close) stream->close();
  }
}

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

namespace {

// The size of the pieces a stream is read in.
constexpr size_t kPiece = size_t{1} << 20;

}  // namespace

void MemoryFiles::AddStreamed(const std::string& name, std::istream& in) {
  auto stream = std::make_unique<Stream>();
  stream->next = [&in](std::string& piece) {
    piece.resize(kPiece);
    in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
    piece.resize(static_cast<size_t>(in.gcount()));
    return in.bad() ? platform::FileError::kIo : platform::FileError::kNone;
  };
  streams_[name] = std::move(stream);
}

void MemoryFiles::AddOpenFile(const std::string& name,
                              platform::FileSystem::Handle handle) {
  platform::FileSystem* fs = target();
  auto stream = std::make_unique<Stream>();
  stream->next = [fs, handle](std::string& piece) {
    piece.resize(kPiece);
    size_t filled = 0;
    platform::FileError error = platform::FileError::kNone;
    // A pipe gives what its writer has written so far: the piece is filled
    // up to its size or the end.
    while (filled < piece.size()) {
      size_t got = 0;
      error =
          fs->Read(handle, piece.data() + filled, piece.size() - filled, &got);
      if (error == platform::FileError::kInterrupted) continue;
      if (error != platform::FileError::kNone || got == 0) break;
      filled += got;
    }
    piece.resize(filled);
    return error;
  };
  stream->close = [fs, handle] { fs->Close(handle); };
  streams_[name] = std::move(stream);
}

MemoryFiles::Stream* MemoryFiles::FindStream(const std::string& path) {
  auto found = streams_.find(path);
  return found == streams_.end() ? nullptr : found->second.get();
}

platform::FileError MemoryFiles::ReadStream(Stream& stream, size_t maxBytes,
                                            const ChunkSink& sink) {
  if (stream.spent) return platform::FileError::kBadHandle;
  size_t served = 0;
  // The kept head first, then the stream in pieces. While the bytes read
  // fit the head they are kept, so that a read that stops early leaves
  // them to the next; past that, the stream is spent.
  if (!stream.head.empty()) {
    served = stream.head.size();
    if (served > maxBytes) return platform::FileError::kTooLarge;
    if (!sink(stream.head)) return platform::FileError::kNone;
  }
  std::string piece;
  while (!stream.ended) {
    if (platform::FileError error = stream.next(piece);
        error != platform::FileError::kNone) {
      stream.spent = true;
      return error;
    }
    if (piece.size() < kPiece) stream.ended = true;
    if (piece.empty()) break;
    served += piece.size();
    if (served > maxBytes) {
      stream.spent = true;
      return platform::FileError::kTooLarge;
    }
    if (!stream.spent && stream.head.size() + piece.size() <= kKeptHead) {
      stream.head += piece;
    } else {
      stream.spent = true;
      stream.head.clear();
      stream.head.shrink_to_fit();
    }
    if (!sink(piece)) return platform::FileError::kNone;
  }
  // Read to its end: what is kept of it is the whole stream, which can be
  // served again.
  return platform::FileError::kNone;
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
  if (FindStream(path) != nullptr) {
    // Like a pipe: no size until it is read.
    *info = platform::FileInfo{platform::FileKind::kOther, 0600, 0, 0, 0};
    return platform::FileError::kNone;
  }
  const std::string* held = Find(path);
  if (held == nullptr) return target()->Stat(path, info);
  *info = platform::FileInfo{platform::FileKind::kRegular, 0600, 0, 0,
                             held->size()};
  return platform::FileError::kNone;
}

platform::FileError MemoryFiles::LinkStat(const std::string& path,
                                          platform::FileInfo* info) {
  if (Find(path) == nullptr && FindStream(path) == nullptr) {
    return target()->LinkStat(path, info);
  }
  return Stat(path, info);
}

bool MemoryFiles::Exists(const std::string& path) {
  return Find(path) != nullptr || FindStream(path) != nullptr ||
         target()->Exists(path);
}

bool MemoryFiles::IsDirectory(const std::string& path) {
  return Find(path) == nullptr && FindStream(path) == nullptr &&
         target()->IsDirectory(path);
}

platform::FileError MemoryFiles::ReadFile(const std::string& path,
                                          size_t maxBytes,
                                          std::string* contents) {
  if (Stream* stream = FindStream(path)) {
    contents->clear();
    return ReadStream(*stream, maxBytes, [&](std::string_view piece) {
      contents->append(piece);
      return true;
    });
  }
  const std::string* held = Find(path);
  if (held == nullptr) return target()->ReadFile(path, maxBytes, contents);
  if (held->size() > maxBytes) return platform::FileError::kTooLarge;
  *contents = *held;
  return platform::FileError::kNone;
}

platform::FileError MemoryFiles::ReadFileInPieces(const std::string& path,
                                                  size_t maxBytes,
                                                  const ChunkSink& sink) {
  if (Stream* stream = FindStream(path)) {
    return ReadStream(*stream, maxBytes, sink);
  }
  const std::string* held = Find(path);
  if (held == nullptr) return target()->ReadFileInPieces(path, maxBytes, sink);
  if (held->size() > maxBytes) return platform::FileError::kTooLarge;
  if (!held->empty()) sink(*held);
  return platform::FileError::kNone;
}

}  // namespace dsrtool
