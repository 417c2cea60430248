// dsrtool merge's summary, and --dry-run, which prints the same summary and
// touches no file, end to end through the built tool.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "devseries/device_series.h"
#include "devseries/platform/file_system.h"
#include "tests/support/media_fixture.h"
#include "tests/support/temp_dir.h"
#ifndef _WIN32
#include "tests/support/child_process.h"
#endif
#include "tests/tools/tool_runner.h"

using namespace devseries;

namespace {

using tovra::testing::ListFolder;
using tovra::testing::Media;
using tovra::testing::ReadFileBytes;
using tovra::testing::RunDsrTool;
using tovra::testing::ScopedTempDir;
using tovra::testing::ToolRun;
using tovra::testing::WriteFileBytes;

// A permission set of separation 7 with `calibrations` entries.
PermissionSet Permission(std::int32_t index, size_t calibrations) {
  PermissionSet permission;
  permission.nPermissionIndex = index;
  permission.nSeparationIndex = 7;
  permission.aCalibrationInfoList.resize(calibrations);
  return permission;
}

SeparationInfo Separation(size_t inks) {
  SeparationInfo separation;
  separation.nSeparationIndex = 7;
  separation.anInputChannelInkIndexList.assign(inks, 0);
  return separation;
}

void WriteSeries(const std::string& path, DeviceSeries series,
                 const std::string& version) {
  ASSERT_TRUE(DeviceSeriesIO2(path).Write(series));
  std::string text = ReadFileBytes(path);
  text.replace(text.find("3.3.0.0"), 7, version);
  WriteFileBytes(path, text);
}

// What a folder holds: each entry's name, bytes and modification time.
struct Entry {
  std::string name;
  std::string bytes;
  std::filesystem::file_time_type written;
  bool operator==(const Entry&) const = default;
};
std::vector<Entry> Snapshot(const std::string& folder) {
  std::vector<Entry> entries;
  for (const std::string& name : ListFolder(folder)) {
    const std::string path = folder + "/" + name;
    entries.push_back(
        {name, ReadFileBytes(path), std::filesystem::last_write_time(path)});
  }
  return entries;
}

class MergeSummaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The user hid Vinyl and added "Own \"1\"", whose permission set has 6
    // calibration entries; the new file's separation has 4 inks, and the
    // new Banner a set of 5 entries.
    DeviceSeries installed;
    installed.aSeparationInfoList.push_back(Separation(6));
    MediaInfo own = Media("Own \"1\"", true);
    own.aPermissionSetList = {Permission(4, 6)};
    installed.aMediaInfoList = {Media("Vinyl", false), own};
    DeviceSeries fresh;
    fresh.aSeparationInfoList.push_back(Separation(4));
    MediaInfo banner = Media("Banner", true);
    banner.aPermissionSetList = {Permission(1, 4), Permission(2, 5)};
    fresh.aMediaInfoList = {Media("Vinyl", true), banner};
    installed_ = dir_.File("installed.dsr");
    fresh_ = dir_.File("new.dsr");
    WriteSeries(installed_, installed, "3.2.0.0");
    WriteSeries(fresh_, fresh, "3.3.1.0");
  }

  ScopedTempDir dir_;
  std::string installed_;
  std::string fresh_;
};

TEST_F(MergeSummaryTest, RealMergeAndDryRunPrintTheSameSummary) {
  const std::string summary =
      "version 3.2.0.0 -> 3.3.1.0\n"
      "carried over: media[0] \"Vinyl\" visible=no\n"
      "appended: media[2] \"Own \\\"1\\\"\"\n"
      "calibration cut: media[1] \"Banner\" permission[1] index 2: "
      "5 -> 4 entries\n"
      "calibration cut: media[2] \"Own \\\"1\\\"\" permission[0] index 4: "
      "6 -> 4 entries\n"
      "media: 1 carried over, 1 appended; calibration lists: 2 cut\n";
  const std::vector<Entry> before = Snapshot(dir_.path());

  ToolRun dry = RunDsrTool({"merge", "--dry-run", installed_, fresh_});
  EXPECT_EQ(dry.exitCode, 0) << dry.err;
  EXPECT_EQ(dry.err, "");
  EXPECT_EQ(dry.out, "dry run: merging " + fresh_ + " into " + installed_ +
                         " would give (nothing is written)\n" + summary);
  // Nothing written, moved or removed: the same files, bytes and times.
  EXPECT_EQ(Snapshot(dir_.path()), before);

  ToolRun real = RunDsrTool({"merge", installed_, fresh_});
  EXPECT_EQ(real.exitCode, 0) << real.err;
  EXPECT_EQ(real.err, "");
  EXPECT_EQ(real.out,
            "merged " + fresh_ + " into " + installed_ + "\n" + summary);
  EXPECT_NE(ReadFileBytes(installed_).find("strVersion=\"3.3.1.0\""),
            std::string::npos);
  EXPECT_EQ(ListFolder(dir_.path()),
            (std::vector<std::string>{"installed.dsr", "new.dsr"}));
}

// A dry run refuses what the merge refuses, with the same message, and
// touches nothing either way; it also runs in a folder nobody may write.
TEST_F(MergeSummaryTest, DryRunRefusesAsTheMergeDoes) {
  const std::string model = dir_.File("model.xml");
  ASSERT_TRUE(ModelInfoIO().SaveModelInfoFile(model, ModelInfo{}));
  const std::string missing = dir_.File("missing.dsr");
  const std::vector<std::vector<std::string>> refused = {
      {installed_, model},
      {model, fresh_},
      {missing, fresh_},
  };
  const std::vector<Entry> before = Snapshot(dir_.path());
  for (const std::vector<std::string>& files : refused) {
    SCOPED_TRACE(files[0] + " " + files[1]);
    ToolRun real = RunDsrTool({"merge", files[0], files[1]});
    ToolRun dry = RunDsrTool({"merge", "--dry-run", files[0], files[1]});
    EXPECT_EQ(real.exitCode, 1);
    EXPECT_EQ(dry.exitCode, 1);
    EXPECT_NE(real.err, "");
    EXPECT_EQ(dry.err, real.err);
    EXPECT_EQ(dry.out, "");
    EXPECT_EQ(Snapshot(dir_.path()), before);
  }

  // On Windows a folder's read-only attribute does not stop writes: there
  // the dry run runs in a folder it could write to.
#ifndef _WIN32
  ASSERT_EQ(::chmod(dir_.path().c_str(), 0555), 0);
#endif
  ToolRun dry = RunDsrTool({"merge", "--dry-run", installed_, fresh_});
#ifndef _WIN32
  ::chmod(dir_.path().c_str(), 0755);
#endif
  EXPECT_EQ(dry.exitCode, 0) << dry.err;
  EXPECT_EQ(Snapshot(dir_.path()), before);
}

// Standard error that is not a terminal never gets a progress line, even in
// a merge of files of several MiB, which reads and writes them for seconds.
TEST_F(MergeSummaryTest, NoProgressLineWithoutATerminal) {
  DeviceSeries large;
  large.aSeparationInfoList.push_back(Separation(4));
  for (int i = 0; i < 500; ++i) {
    MediaInfo media = Media("Medium " + std::to_string(i), true);
    media.aPermissionSetList = {Permission(i, 6)};
    large.aMediaInfoList.push_back(media);
  }
  WriteSeries(fresh_, large, "3.3.1.0");
  ASSERT_GT(std::filesystem::file_size(fresh_), size_t{8} << 20);
  ToolRun run = RunDsrTool({"merge", installed_, fresh_});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "");
}

#ifndef _WIN32
// A run of the tool in a child process: `stdoutFd` (-1: a file of the test's
// folder) is its standard output, `errPath` receives its standard error. A
// run that has not ended after twenty seconds is killed, so a tool that
// waits fails its test instead of hanging it.
struct ChildRun {
  bool ended = false;
  bool signaled = false;
  int exitCode = -1;
  int signal = 0;
  std::string err;
};

ChildRun RunInChild(std::vector<std::string> arguments,
                    const std::string& errPath, int stdoutFd = -1) {
  std::string tool = DSRTOOL_PATH;
  std::vector<char*> argv = {tool.data()};
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (stdoutFd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, (errPath + ".out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
  }
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  ChildRun run;
  const int spawned = ::posix_spawn(&pid, tool.c_str(), &actions, nullptr,
                                    argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(spawned, 0);
  if (spawned != 0) return run;
  int status = 0;
  if (!tovra::testing::WaitForChild(pid, 20, &status)) return run;
  run.ended = true;
  run.signaled = WIFSIGNALED(status);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  run.err = ReadFileBytes(errPath);
  std::filesystem::remove(errPath);
  std::filesystem::remove(errPath + ".out");
  return run;
}

// The merge's outcome and its exit code agree: when standard output is a
// pipe whose reader went away, the merged file stays merged, standard error
// says so, and the tool fails.
TEST_F(MergeSummaryTest, SummaryThatCannotBePrintedFailsAfterTheMerge) {
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  ::close(pipeEnds[0]);
  ScopedTempDir logs;
  ChildRun run = RunInChild({"merge", installed_, fresh_},
                            logs.File("stderr.txt"), pipeEnds[1]);
  ::close(pipeEnds[1]);

  ASSERT_TRUE(run.ended);
  ASSERT_FALSE(run.signaled) << "ended by signal " << run.signal;
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, installed_ + ": merged from " + fresh_ +
                         ", but the summary cannot be written to <stdout>\n");
  EXPECT_NE(ReadFileBytes(installed_).find("strVersion=\"3.3.1.0\""),
            std::string::npos);
  EXPECT_EQ(ListFolder(dir_.path()),
            (std::vector<std::string>{"installed.dsr", "new.dsr"}));
}

// What the tool refuses at once, before it removes or writes anything: the
// new file named as one of the merge's own files (or linked there), an
// installed path that is a FIFO (which would wait for a writer), a folder.
TEST_F(MergeSummaryTest, RefusesBeforeTouchingAnything) {
  struct Case {
    const char* what;
    // Prepares the folder; returns the NEW operand.
    std::function<std::string()> prepare;
    const char* message;  // part of standard error
  };
  const Case cases[] = {
      {"NEW is INSTALLED.tmp",
       [&] {
         std::filesystem::rename(fresh_, installed_ + ".tmp");
         return installed_ + ".tmp";
       },
       ".tmp: the new file itself"},
      {"NEW is INSTALLED.out",
       [&] {
         std::filesystem::rename(fresh_, installed_ + ".out");
         return installed_ + ".out";
       },
       ".out: the new file itself"},
      {"a hard link to NEW at INSTALLED.tmp",
       [&] {
         std::filesystem::create_hard_link(fresh_, installed_ + ".tmp");
         return fresh_;
       },
       ".tmp: the new file itself"},
      {"INSTALLED is a FIFO",
       [&] {
         std::filesystem::remove(installed_);
         EXPECT_EQ(::mkfifo(installed_.c_str(), 0600), 0);
         return fresh_;
       },
       "is not a regular file"},
      {"INSTALLED is a folder",
       [&] {
         std::filesystem::remove(installed_);
         std::filesystem::create_directory(installed_);
         return fresh_;
       },
       "is a folder"},
  };
  const std::string installedBytes = ReadFileBytes(installed_);
  const std::string freshBytes = ReadFileBytes(fresh_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string fresh = c.prepare();
    const std::vector<std::string> names = ListFolder(dir_.path());
    ScopedTempDir logs;
    ChildRun run =
        RunInChild({"merge", installed_, fresh}, logs.File("stderr.txt"));
    ASSERT_TRUE(run.ended) << "the tool waited and was killed";
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(ListFolder(dir_.path()), names);
    EXPECT_EQ(ReadFileBytes(fresh), freshBytes);
    // The folder as it was before the case.
    std::filesystem::remove_all(installed_);
    for (const char* suffix : {".tmp", ".out"}) {
      std::filesystem::remove(installed_ + suffix);
    }
    WriteFileBytes(installed_, installedBytes);
    WriteFileBytes(fresh_, freshBytes);
  }
}

// True when a process waits for a lock on the file numbered `inode`: its
// line in /proc/locks is marked "->" and names the file as MAJOR:MINOR:INODE.
bool SomeoneWaitsToLock(std::uint64_t inode) {
  std::istringstream locks(ReadFileBytes("/proc/locks"));
  const std::string file = ":" + std::to_string(inode) + " ";
  for (std::string line; std::getline(locks, line);) {
    if (line.find("->") != std::string::npos &&
        line.find(file) != std::string::npos) {
      return true;
    }
  }
  return false;
}

// Two merges of one installed file: the second waits for the first, and
// when the first has renamed its result over the installed file, merges
// into that result, not into the file it opened first. The test plays the
// first merge: it locks the installed file, waits until the tool waits for
// the lock, renames another installed file over it and lets go.
TEST_F(MergeSummaryTest, ASecondMergeWaitsAndMergesIntoTheFirstOnesResult) {
  DeviceSeries other;
  other.aSeparationInfoList.push_back(Separation(4));
  other.aMediaInfoList = {Media("Merged before", false)};
  WriteSeries(dir_.File("first-result.dsr"), other, "3.3.0.0");

  platform::FileSystem& fs = *platform::FileSystem::Default();
  platform::FileSystem::Handle handle = -1;
  platform::FileInfo info;
  ASSERT_EQ(fs.OpenForReading(installed_, {}, &handle, &info),
            platform::FileError::kNone);
  ASSERT_EQ(fs.LockExclusive(handle), platform::FileError::kNone);

  ScopedTempDir logs;
  ChildRun run;
  std::thread second([&] {
    run = RunInChild({"merge", installed_, fresh_}, logs.File("stderr.txt"));
  });
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(15);
  bool waiting = false;
  while (!(waiting = SomeoneWaitsToLock(info.inode)) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::filesystem::rename(dir_.File("first-result.dsr"), installed_);
  fs.Close(handle);
  second.join();

  EXPECT_TRUE(waiting) << "the tool never waited for the lock";
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const std::string merged = ReadFileBytes(installed_);
  EXPECT_NE(merged.find("<English>Merged before</English>"), std::string::npos);
  EXPECT_EQ(merged.find("Own "), std::string::npos);
  EXPECT_EQ(ListFolder(dir_.path()),
            (std::vector<std::string>{"installed.dsr", "new.dsr"}));
}
#endif

}  // namespace
