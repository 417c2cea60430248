// Files held in memory and served to the library through the file seam
// under names of their own: standard input, read once and then loaded as
// often as a command needs it, and a file the tool is about to write, read
// back with the library's readers before the target is touched.
#pragma once

#include <iosfwd>
#include <map>
#include <string>

#include "platform/file_system.h"

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
  const std::string* Find(const std::string& path) const;

  std::map<std::string, std::string> files_;
  platform::ScopedFileSystem installed_;
};

}  // namespace dsrtool
