// The two ways a dsrtool command fails: a problem with a file (exit code 1)
// and a command line the tool does not understand (exit code 2).
#pragma once

#include <iosfwd>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <string_view>

namespace dsrtool {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// A file that cannot be read, written or understood. what() is one line in
// the form compilers and xmllint use: "FILE:LINE: problem", or
// "FILE: problem" when no line is known.
class ToolError : public std::runtime_error {
 public:
  ToolError(const std::string& file, const std::string& problem);
  // `line` is 1-based; 0 when not known.
  ToolError(const std::string& file, int line, const std::string& problem);

  const std::string& file() const { return file_; }
  int line() const { return line_; }
  // The problem without the file and line, on one line.
  const std::string& problem() const { return problem_; }

 private:
  std::string file_;
  int line_;
  std::string problem_;
};

// A command line that names no command, misses an operand, has one too many
// or an unknown option.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Flushes `out`, the tool's standard output; ToolError when it cannot be
// written, saying why when a StandardOutputBuffer was told.
void Flush(std::ostream& out);

// The process's standard output as the tool writes it: buffered, written
// through the C library's stdout (so binary mode where it was set), and
// keeping the system's reason of the first write that fails, which Flush
// then gives.
class StandardOutputBuffer : public std::streambuf {
 public:
  StandardOutputBuffer();
  ~StandardOutputBuffer() override;
  StandardOutputBuffer(const StandardOutputBuffer&) = delete;
  StandardOutputBuffer& operator=(const StandardOutputBuffer&) = delete;

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  // Writes what the buffer holds; false once a write failed.
  bool Drain();

  char buffer_[1 << 16];
  bool failed_ = false;
};

// "FILE:LINE: text" ("FILE: text" for line 0), on one line.
std::string Located(const std::string& file, int line, const std::string& text);

// `text` on one line: line breaks become blanks, trailing blanks go.
std::string OneLine(std::string text);

// `text` without a leading "<file>: ", for messages of the library that name
// the file when the tool's message names it already.
std::string WithoutFilePrefix(const std::string& text, const std::string& file);

// A parser or schema message "line N: text" split into N and text; a
// message without that prefix gives line 0 and the message unchanged.
struct LineMessage {
  int line = 0;
  std::string text;
};
LineMessage SplitLinePrefix(std::string_view message);

}  // namespace dsrtool
