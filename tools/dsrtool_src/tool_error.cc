#include "tools/dsrtool_src/tool_error.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <ostream>
#include <system_error>

#include "tools/dsrtool_src/memory_files.h"

namespace dsrtool {

namespace {

// Why the first write to standard output failed; empty when none did, or
// the stream is not the process's.
std::string g_outputFailure;

}  // namespace

void Flush(std::ostream& out) {
  out.flush();
  if (!out) {
    throw ToolError(kStandardOutputName,
                    g_outputFailure.empty()
                        ? std::string("cannot be written")
                        : "cannot be written: " + g_outputFailure);
  }
}

StandardOutputBuffer::StandardOutputBuffer() {
  setp(buffer_, buffer_ + sizeof buffer_);
}

StandardOutputBuffer::~StandardOutputBuffer() { sync(); }

bool StandardOutputBuffer::Drain() {
  const size_t size = static_cast<size_t>(pptr() - pbase());
  setp(buffer_, buffer_ + sizeof buffer_);
  if (failed_) return false;
  errno = 0;
  if (std::fwrite(buffer_, 1, size, stdout) != size ||
      std::fflush(stdout) != 0) {
    failed_ = true;
    g_outputFailure = errno != 0 ? std::generic_category().message(errno)
                                 : std::string("the write failed");
  }
  return !failed_;
}

StandardOutputBuffer::int_type StandardOutputBuffer::overflow(int_type c) {
  if (!Drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) {
    return traits_type::not_eof(c);
  }
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

int StandardOutputBuffer::sync() { return Drain() ? 0 : -1; }

ToolError::ToolError(const std::string& file, const std::string& problem)
    : ToolError(file, 0, problem) {}

ToolError::ToolError(const std::string& file, int line,
                     const std::string& problem)
    : std::runtime_error(Located(file, line, problem)),
      file_(file),
      line_(line),
      problem_(OneLine(problem)) {}

std::string Located(const std::string& file, int line,
                    const std::string& text) {
  std::string where = file;
  if (line > 0) where += ":" + std::to_string(line);
  return OneLine(where + ": " + text);
}

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string WithoutFilePrefix(const std::string& text,
                              const std::string& file) {
  std::string prefix = file + ": ";
  return text.compare(0, prefix.size(), prefix) == 0
             ? text.substr(prefix.size())
             : text;
}

LineMessage SplitLinePrefix(std::string_view message) {
  constexpr std::string_view kPrefix = "line ";
  LineMessage split{0, std::string(message)};
  if (message.substr(0, kPrefix.size()) != kPrefix) return split;
  const char* digits = message.data() + kPrefix.size();
  const char* end = message.data() + message.size();
  int line = 0;
  auto [after, ec] = std::from_chars(digits, end, line);
  if (ec != std::errc() || end - after < 2 || after[0] != ':' ||
      after[1] != ' ') {
    return split;
  }
  split.line = line;
  split.text = std::string(after + 2, end);
  return split;
}

}  // namespace dsrtool
