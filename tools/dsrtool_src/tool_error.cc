#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

ToolError::ToolError(const std::string& file, const std::string& problem)
    : std::runtime_error(OneLine(file + ": " + problem)) {}

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

}  // namespace dsrtool
