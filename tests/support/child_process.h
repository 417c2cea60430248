// Waiting for a child process with a deadline, for tests whose subject may
// wait for ever (on a FIFO, on a lock): the child is killed when the
// deadline passes, so that the test fails instead of hanging. POSIX only.
#pragma once

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

namespace tovra::testing {

// Waits for the child `pid` for at most `seconds`; true when it ended, with
// its wait status in `*status`. False when it was killed at the deadline.
inline bool WaitForChild(pid_t pid, int seconds, int* status) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (::waitpid(pid, status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, status, 0);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace tovra::testing
