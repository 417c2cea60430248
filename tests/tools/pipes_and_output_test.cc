// dsrtool with files that are not regular files: a named pipe (what
// process substitution gives) is opened once and read whole by every
// command, and a standard output that cannot be written fails the command
// with the system's reason, diff's with its own exit code.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/tools/tool_runner.h"

namespace {

using tovra::testing::ReadFileBytes;
using tovra::testing::RunDsrTool;
using tovra::testing::ScopedTempDir;
using tovra::testing::ToolRun;

const std::string kExample =
    std::string(DSRTOOL_EXAMPLES_DIR) + "/studio-series.dsr";

// Runs dsrtool with `arguments` while a child writes `bytes` into the
// FIFO `fifo` once; the writer gives up when nobody reads.
ToolRun RunWithFifo(const std::string& fifo, const std::string& bytes,
                    const std::vector<std::string>& arguments) {
  const pid_t writer = ::fork();
  if (writer == 0) {
    const int fd = ::open(fifo.c_str(), O_WRONLY);
    size_t at = 0;
    while (fd >= 0 && at < bytes.size()) {
      const ssize_t wrote = ::write(fd, bytes.data() + at, bytes.size() - at);
      if (wrote <= 0) break;
      at += static_cast<size_t>(wrote);
    }
    ::_exit(0);
  }
  ToolRun run = RunDsrTool(arguments);
  int status = 0;
  ::waitpid(writer, &status, 0);
  return run;
}

TEST(PipesAndOutputTest, ANamedPipeIsOpenedOnceByEveryCommand) {
  ScopedTempDir dir;
  const std::string fifo = dir.File("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string bytes = ReadFileBytes(kExample);
  struct Case {
    std::vector<std::string> withPipe;
    std::vector<std::string> withFile;
  };
  const Case cases[] = {
      {{"dump", fifo}, {"dump", kExample}},
      {{"list", fifo}, {"list", kExample}},
      {{"validate", fifo}, {"validate", kExample}},
      {{"diff", fifo, kExample}, {"diff", kExample, kExample}},
      // Named twice, it is read twice from what the tool holds.
      {{"dump", fifo, fifo}, {"dump", kExample, kExample}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.withPipe.front());
    const ToolRun expected = RunDsrTool(c.withFile);
    const ToolRun run = RunWithFifo(fifo, bytes, c.withPipe);
    EXPECT_EQ(run.exitCode, expected.exitCode) << run.err;
    EXPECT_EQ(run.err, "");
    // validate names the file it read.
    std::string out = expected.out;
    if (const size_t at = out.find(kExample); at != std::string::npos) {
      out.replace(at, kExample.size(), fifo);
    }
    EXPECT_TRUE(run.out == out) << run.out.substr(0, 200);
  }
}

// Standard output is a file of the test's folder open for reading only:
// every write fails with EBADF.
TEST(PipesAndOutputTest, OutputThatCannotBeWrittenSaysWhyAndDiffExits2) {
  ScopedTempDir dir;
  const std::string other = dir.File("other.dsr");
  std::string bytes = ReadFileBytes(kExample);
  bytes.replace(bytes.find("Glossy"), 6, "Matte!");
  tovra::testing::WriteFileBytes(other, bytes);
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
  };
  const Case cases[] = {
      {{"dump", kExample}, 1},
      {{"diff", kExample, other}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.front());
    const std::string errPath = dir.File("err.txt");
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int out = ::open(errPath.c_str(), O_RDONLY | O_CREAT, 0600);
      const int err = ::open(errPath.c_str(), O_WRONLY | O_TRUNC);
      if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) {
        ::_exit(127);
      }
      std::vector<std::string> argv = {DSRTOOL_PATH};
      argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
      std::vector<char*> pointers;
      for (std::string& argument : argv) pointers.push_back(argument.data());
      pointers.push_back(nullptr);
      ::execv(pointers[0], pointers.data());
      ::_exit(127);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.exitCode);
    EXPECT_EQ(ReadFileBytes(errPath),
              "<stdout>: cannot be written: Bad file descriptor\n");
  }
}

}  // namespace
