// Runs the built dsrtool as a child process on POSIX systems: posix_spawn
// with the standard streams opened on files, and bash for the pipeline.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include "tests/tools/tool_runner.h"

extern char** environ;

namespace tovra::testing {

namespace {

// Runs `argv` (the program first) with its standard streams opened on the
// three files and returns its exit code, -1 when it did not exit normally.
int Spawn(std::vector<std::string> argv, const std::string& inPath,
          const std::string& outPath, const std::string& errPath) {
  std::vector<char*> pointers;
  for (std::string& argument : argv) pointers.push_back(argument.data());
  pointers.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, pointers[0], &actions, nullptr,
                            pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << argv[0] << ": " << spawned;
    return -1;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  ADD_FAILURE() << argv[0] << " did not exit normally (status " << status
                << ")";
  return -1;
}

}  // namespace

ToolRun RunDsrTool(const std::vector<std::string>& arguments,
                   const std::string& input) {
  ScopedTempDir captures;
  std::vector<std::string> argv = {DSRTOOL_PATH};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  WriteFileBytes(captures.File("stdin"), input);
  ToolRun run;
  run.exitCode = Spawn(argv, captures.File("stdin"), captures.File("stdout"),
                       captures.File("stderr"));
  run.out = ReadFileBytes(captures.File("stdout"));
  run.err = ReadFileBytes(captures.File("stderr"));
  return run;
}

ToolRun RunDsrToolThroughPipes(const std::vector<std::string>& arguments,
                               const std::string& input) {
  ScopedTempDir captures;
  WriteFileBytes(captures.File("input"), input);
  std::vector<std::string> argv = {
      "/bin/bash",
      "-c",
      "in=$1 out=$2; shift 2; cat \"$in\" | \"$@\" | cat > \"$out\"; "
      "exit ${PIPESTATUS[1]}",
      "bash",
      captures.File("input"),
      captures.File("stdout"),
      DSRTOOL_PATH};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  ToolRun run;
  run.exitCode = Spawn(argv, "/dev/null", "/dev/null", captures.File("stderr"));
  run.out = ReadFileBytes(captures.File("stdout"));
  run.err = ReadFileBytes(captures.File("stderr"));
  return run;
}

}  // namespace tovra::testing
