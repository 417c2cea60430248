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

#include <filesystem>
#include <string>
#include <vector>

#include "devseries/device_series.h"
#include "tests/support/media_fixture.h"
#include "tests/support/temp_dir.h"
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
// The merge's outcome and its exit code agree: when standard output is a
// pipe whose reader went away, the merged file stays merged, standard error
// says so, and the tool fails.
TEST_F(MergeSummaryTest, SummaryThatCannotBePrintedFailsAfterTheMerge) {
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  ::close(pipeEnds[0]);
  const std::string errPath = dir_.File("stderr.txt");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::string tool = DSRTOOL_PATH;
  std::string command = "merge";
  char* argv[] = {tool.data(), command.data(), installed_.data(), fresh_.data(),
                  nullptr};
  pid_t pid = 0;
  ASSERT_EQ(::posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv, environ),
            0);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);

  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(ReadFileBytes(errPath),
            installed_ + ": merged from " + fresh_ +
                ", but the summary cannot be written to <stdout>\n");
  EXPECT_NE(ReadFileBytes(installed_).find("strVersion=\"3.3.1.0\""),
            std::string::npos);
  EXPECT_EQ(
      ListFolder(dir_.path()),
      (std::vector<std::string>{"installed.dsr", "new.dsr", "stderr.txt"}));
}
#endif

}  // namespace
