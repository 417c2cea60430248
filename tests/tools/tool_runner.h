// Runs the built dsrtool as a child process and collects what it did.
#pragma once

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace tovra::testing {

struct ToolRun {
  // The exit code; -1 when the tool did not exit normally (a crash).
  int exitCode = -1;
  std::string out;
  // Text: its lines end in LF on every platform.
  std::string err;
};

// Runs dsrtool with `arguments`, standard input reading `input` from a
// file, standard output and error going to files in a folder of its own.
ToolRun RunDsrTool(const std::vector<std::string>& arguments,
                   const std::string& input = "");

// As RunDsrTool with pipes for standard input and output: the pipeline
// "cat INPUT | dsrtool ARGUMENTS | cat > OUTPUT", whose exit code is the
// tool's.
ToolRun RunDsrToolThroughPipes(const std::vector<std::string>& arguments,
                               const std::string& input);

// The number of lines of `text` (a last line without a line break counts).
int LineCount(const std::string& text);

}  // namespace tovra::testing
