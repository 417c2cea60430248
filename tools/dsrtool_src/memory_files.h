// Files held in memory and served to the library through the file seam
// under names of their own: standard input (or a pipe) that a command reads
// twice, read once and then loaded as often as it needs; standard input
// and pipes streamed to a command that reads them once; and a file the
// tool is about to write, read back with the library's readers before the
// target is touched.
#pragma once

#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>

#include "devseries/platform/file_system.h"

namespace dsrtool {

using namespace ::devseries;

// The operand that means standard input (where a file is read) or standard
// output (where one is written).
inline constexpr const char* kStandardStream = "-";
// The names standard input and output go by in messages.
inline constexpr const char* kStandardInputName = "<stdin>";
inline constexpr const char* kStandardOutputName = "<stdout>";

// While it lives, the files added to it are what the current file system
// reads at their names (exactly those strings); every other operation and
// path goes to the file system that was current when it was made, which it
// restores when destroyed. Nothing is ever written to a held file.
class MemoryFiles : public platform::FileSystemWrapper {
 public:
  MemoryFiles();
  ~MemoryFiles() override;

  // Serves `bytes` as the file `name`, replacing what was held under it.
  void Add(const std::string& name, std::string bytes);
  // Reads `in` to its end into the file `name`. At most `maxBytes` + 1
  // bytes are kept, so that a reader with the limit `maxBytes` refuses the
  // file as too large without more being read. False when `in` failed.
  bool AddStream(const std::string& name, std::istream& in, size_t maxBytes);
  // Serves what `in` gives as the file `name`, read from `in` as it is
  // read, never held whole: a stream can be read to its end once. The
  // bytes a read takes before it stops (a look at the root element's
  // start tag stops early) are kept, up to kKeptHead bytes, and handed to
  // the next read before the rest of the stream; a read after one that
  // went further fails. `in` must outlive the file.
  void AddStreamed(const std::string& name, std::istream& in);
  // As AddStreamed, from `handle`, open for reading on the file system
  // that was current when this was made, which is closed with this.
  void AddOpenFile(const std::string& name,
                   platform::FileSystem::Handle handle);
  static constexpr size_t kKeptHead = size_t{1} << 20;
  // Takes back the bytes held under `name` (none: empty); the file is no
  // longer served.
  std::string Take(const std::string& name);

  platform::FileError Stat(const std::string& path,
                           platform::FileInfo* info) override;
  platform::FileError LinkStat(const std::string& path,
                               platform::FileInfo* info) override;
  bool Exists(const std::string& path) override;
  bool IsDirectory(const std::string& path) override;
  platform::FileError ReadFile(const std::string& path, size_t maxBytes,
                               std::string* contents) override;
  platform::FileError ReadFileInPieces(const std::string& path, size_t maxBytes,
                                       const ChunkSink& sink) override;

 private:
  struct Stream {
    // Fills its argument with the next piece (empty at the end).
    std::function<platform::FileError(std::string&)> next;
    // Lets go of the source.
    std::function<void()> close;
    // The first bytes of the stream, read by reads that stopped early.
    std::string head;
    // A read went past the head: the stream cannot be read again.
    bool spent = false;
    bool ended = false;  // the source gave its last byte
  };

  const std::string* Find(const std::string& path) const;
  Stream* FindStream(const std::string& path);
  platform::FileError ReadStream(Stream& stream, size_t maxBytes,
                                 const ChunkSink& sink);

  std::map<std::string, std::string> files_;
  std::map<std::string, std::unique_ptr<Stream>> streams_;
  platform::ScopedFileSystem installed_;
};

}  // namespace dsrtool
