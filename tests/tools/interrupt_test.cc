// dsrtool stopped while it writes: SIGTERM, SIGINT or SIGHUP during the
// write of a large file ends the tool by that signal with no temporary
// sibling left beside the output and the previous output untouched; during
// a merge, with neither of the merge's own files left either.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "devseries/device_series.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

using namespace devseries;

namespace {

using tovra::testing::ListFolder;
using tovra::testing::ReadFileBytes;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

// A device series of some tens of megabytes: writing it takes long enough
// to catch the tool with its sibling open.
const std::string& LargeSeries(const ScopedTempDir& dir) {
  static std::string path;
  if (path.empty()) {
    DeviceSeries series;
    series.aModelInfoList.resize(4);
    MediaInfo media;
    for (std::string& name : media.strMediaName) name = "Glossy film";
    media.aflFeedCalibration.assign(4, 1.5f);
    media.aPermissionSetList.resize(12);
    for (PermissionSet& permission : media.aPermissionSetList) {
      permission.aCalibrationInfoList.resize(4);
    }
    series.aMediaInfoList.assign(200, media);
    path = dir.File("large.dsr");
    EXPECT_TRUE(DeviceSeriesIO2(path).Write(series));
  }
  return path;
}

// True when `folder` holds a temporary sibling of the tool's output.
bool HasSibling(const std::string& folder) {
  for (const std::string& name : ListFolder(folder)) {
    if (name.find(".part") != std::string::npos) return true;
  }
  return false;
}

class InterruptTest : public ::testing::TestWithParam<int> {};

// Runs dsrtool COMMAND FIRST SECOND and sends it `signal` as soon as
// `underWay` says the work to interrupt has started; `*status` receives how
// the tool ended. False when it ended before that was seen. A tool that
// does not end after the signal is killed (the test fails, never hangs).
template <typename UnderWay>
bool InterruptWhen(const char* command, const std::string& first,
                   const std::string& second, int signal, UnderWay&& underWay,
                   int* status) {
  std::string tool = DSRTOOL_PATH;
  std::string name = command;
  char* argv[] = {tool.data(), name.data(), const_cast<char*>(first.c_str()),
                  const_cast<char*>(second.c_str()), nullptr};
  pid_t pid = 0;
  if (::posix_spawn(&pid, tool.c_str(), nullptr, nullptr, argv, environ) != 0) {
    ADD_FAILURE() << "dsrtool cannot be started";
    return false;
  }
  while (::waitpid(pid, status, WNOHANG) == 0) {
    if (underWay()) {
      ::kill(pid, signal);
      if (!tovra::testing::WaitForChild(pid, 60, status)) {
        ADD_FAILURE() << "dsrtool did not end after the signal";
        return false;
      }
      return true;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return false;
}

TEST_P(InterruptTest, LeavesNoSiblingBehind) {
  static ScopedTempDir source;
  const std::string& input = LargeSeries(source);
  ScopedTempDir dir;
  const std::string output = dir.File("out.dsr");
  WriteFileBytes(output, "the previous output");

  // The write is short: a few tries catch the tool with its sibling open.
  for (int attempt = 0; attempt < 20; ++attempt) {
    int status = 0;
    const bool seen = InterruptWhen(
        "roundtrip", input, output, GetParam(),
        [&] { return HasSibling(dir.path()); }, &status);
    if (!seen) continue;  // finished before the sibling was seen
    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
    EXPECT_EQ(WTERMSIG(status), GetParam());
    EXPECT_FALSE(HasSibling(dir.path()));
    // Stopped before the rename, or just after it: old or new, never a mix.
    std::string now = ReadFileBytes(output);
    EXPECT_TRUE(now == "the previous output" ||
                now.size() > ReadFileBytes(input).size() / 2);
    return;
  }
  FAIL() << "the tool's sibling was never seen while it wrote";
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptTest,
                         ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(sigabbrev_np(info.param));
                         });

// The merge stopped with its ".tmp" (the extracted new file) or ".out" (the
// merged file) there: both are removed, and the installed file is as it was
// or the merged file, complete.
struct MergeStop {
  const char* companion;  // what shows that the merge is under way
  int signal;
};

void PrintTo(const MergeStop& stop, std::ostream* out) {
  *out << stop.companion << " " << sigabbrev_np(stop.signal);
}

class MergeInterruptTest : public ::testing::TestWithParam<MergeStop> {};

TEST_P(MergeInterruptTest, LeavesNoCompanionBehind) {
  static ScopedTempDir source;
  const std::string& fresh = LargeSeries(source);
  ScopedTempDir dir;
  const std::string installed = dir.File("inst.dsr");
  const std::string companion = installed + GetParam().companion;

  for (int attempt = 0; attempt < 10; ++attempt) {
    WriteFileBytes(installed, ReadFileBytes(fresh));
    int status = 0;
    const bool seen = InterruptWhen(
        "merge", installed, fresh, GetParam().signal,
        [&] { return ::access(companion.c_str(), F_OK) == 0; }, &status);
    if (!seen) continue;  // finished before the companion was seen
    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
    EXPECT_EQ(WTERMSIG(status), GetParam().signal);
    EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"inst.dsr"});
    // The same media on both sides: the merged file holds what both held.
    EXPECT_EQ(ReadFileBytes(installed).size(), ReadFileBytes(fresh).size());
    return;
  }
  FAIL() << "the merge's " << GetParam().companion << " was never seen";
}

INSTANTIATE_TEST_SUITE_P(Companions, MergeInterruptTest,
                         ::testing::Values(MergeStop{".tmp", SIGTERM},
                                           MergeStop{".tmp", SIGINT},
                                           MergeStop{".out", SIGHUP},
                                           MergeStop{".out", SIGTERM}),
                         [](const ::testing::TestParamInfo<MergeStop>& info) {
                           return std::string(info.param.companion + 1) + "_" +
                                  sigabbrev_np(info.param.signal);
                         });

}  // namespace
