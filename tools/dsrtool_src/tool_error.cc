#include "tools/dsrtool_src/tool_error.h"

#include <charconv>
#include <ostream>

#include "tools/dsrtool_src/memory_files.h"

namespace dsrtool {

void Flush(std::ostream& out) {
  out.flush();
  if (!out) throw ToolError(kStandardOutputName, "cannot be written");
}

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
