// The part of the tool runner that is the same on every platform; the runs
// themselves are in tool_runner_posix.cc and tool_runner_win32.cc.
#include "tests/tools/tool_runner.h"

namespace tovra::testing {

int LineCount(const std::string& text) {
  int lines = 0;
  for (char c : text) lines += c == '\n';
  if (!text.empty() && text.back() != '\n') ++lines;
  return lines;
}

}  // namespace tovra::testing
