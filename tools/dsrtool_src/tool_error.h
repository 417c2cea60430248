// The two ways a dsrtool command fails: a problem with a file (exit code 1)
// and a command line the tool does not understand (exit code 2).
#pragma once

#include <stdexcept>
#include <string>

namespace dsrtool {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// A file that cannot be read, written or understood. what() is one line:
// the file, then what is wrong with it.
class ToolError : public std::runtime_error {
 public:
  ToolError(const std::string& file, const std::string& problem);
};

// A command line that names no command, misses an operand, has one too many
// or an unknown option.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// `text` on one line: line breaks become blanks, trailing blanks go.
std::string OneLine(std::string text);

// `text` without a leading "<file>: ", for messages of the library that name
// the file when the tool's message names it already.
std::string WithoutFilePrefix(const std::string& text, const std::string& file);

}  // namespace dsrtool
