// A failed write of the device-series writers leaves its reason in
// Report(): every writer against every target it cannot write (a folder
// missing on the way, a folder at the path, a path below a regular file, a
// file in a folder nothing can be created in, a full disk, a refused
// rename, the DOM service missing) still answers false, leaves every file
// as it was, and its report names the file and the system's error
// ("cannot write PATH: No such file or directory"); a write that succeeds
// leaves the report empty, also after a failed read or write. The standalone
// saves answer and raise as before; those that answer false alone tell why
// through their report overloads.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "devseries/device_series.h"
#include "devseries/platform/com.h"
#include "devseries/platform/com_codes.h"
#include "devseries/platform/dom_testing.h"
#include "devseries/platform/file_system.h"
#include "devseries/records/media/vcontrol_point.h"
#include "devseries/records/printer/ink_config_info.h"
#include "devseries/records/printer/model_info.h"
#include "devseries/xmlio/read_report.h"
#include "devseries/xmlio/time_stamp.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/temp_dir.h"

using namespace devseries;

namespace {

using platform::FileError;
using platform::FileErrorText;
using tovra::testing::FaultFileSystem;
using tovra::testing::FsCall;
using tovra::testing::ListFolder;
using tovra::testing::MakeFolder;
using tovra::testing::ReadFileBytes;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

DeviceSeries Sample() {
  DeviceSeries series;
  ModelInfo model;
  model.strLongModelName = "Vintrell OVX-160";
  series.aModelInfoList = {model};
  MediaInfo media;
  media.strMediaName.fill("Glossy");
  series.aMediaInfoList = {media};
  return series;
}

// One writer: makes its IO object for `path` and writes `series` with it.
struct Writer {
  const char* what;
  std::function<std::unique_ptr<DeviceSeriesIO>(const std::string& path)> make;
  std::function<bool(DeviceSeriesIO& io, DeviceSeries& series)> write;
};

const Writer kWriters[] = {
    {"Write10",
     [](const std::string& path) {
       return std::make_unique<DeviceSeriesIO>(path);
     },
     [](DeviceSeriesIO& io, DeviceSeries& series) { return io.Write(series); }},
    {"Write33",
     [](const std::string& path) {
       return std::make_unique<DeviceSeriesIO2>(path);
     },
     [](DeviceSeriesIO& io, DeviceSeries& series) { return io.Write(series); }},
    {"WriteThroughDom",
     [](const std::string& path) {
       return std::make_unique<DeviceSeriesIO2>(path);
     },
     [](DeviceSeriesIO& io, DeviceSeries& series) {
       return io.WriteThroughDom(series);
     }},
    {"WriteKeepingFileVersion",
     [](const std::string& path) {
       return std::make_unique<DeviceSeriesIO2>(path);
     },
     [](DeviceSeriesIO& io, DeviceSeries& series) {
       return io.WriteKeepingFileVersion(series);
     }},
};

// One target a write fails on.
struct Target {
  const char* what;
  // Prepares what the row needs in `dir` and returns the path to write:
  // inside `dir`, except a file no folder of the test can hold.
  std::function<std::string(const ScopedTempDir& dir)> prepare;
  // The reasons the report may give (where platforms differ, each one's).
  std::vector<std::string> reasons;
  // Injects the fault of the row into the file system the write uses; null
  // for the real one.
  std::function<void(FaultFileSystem& fs)> inject;
  // Turns the DOM service off for the write.
  bool noDomService = false;
};

const Target kTargets[] = {
    {"MissingFolder",
     [](const ScopedTempDir& dir) { return dir.File("no/such/series.dsr"); },
     {FileErrorText(FileError::kNotFound)},
     nullptr},
    {"FolderAtThePath",
     [](const ScopedTempDir& dir) {
       EXPECT_TRUE(MakeFolder(dir.File("series.dsr")));
       WriteFileBytes(dir.File("series.dsr/inside"), "kept\n");
       return dir.File("series.dsr");
     },
     {FileErrorText(FileError::kIsDirectory)},
     nullptr},
    {"ParentIsARegularFile",
     [](const ScopedTempDir& dir) {
       WriteFileBytes(dir.File("plain"), "a plain file\n");
       return dir.File("plain/series.dsr");
     },
     {FileErrorText(FileError::kNotDirectory)
#ifdef _WIN32
          ,
      FileErrorText(FileError::kNotFound)
#endif
     },
     nullptr},
#ifdef __linux__
    // A file of a folder in which nothing can be created: the writers make
    // their temporary file beside the target, and that fails.
    {"ProcVersion",
     [](const ScopedTempDir&) { return std::string("/proc/version"); },
     {FileErrorText(FileError::kNotFound),
      FileErrorText(FileError::kAccessDenied),
      FileErrorText(FileError::kNotPermitted),
      FileErrorText(FileError::kReadOnly)},
     nullptr},
#endif
    {"FullDisk",
     [](const ScopedTempDir& dir) {
       WriteFileBytes(dir.File("series.dsr"), "previous bytes\n");
       return dir.File("series.dsr");
     },
     {FileErrorText(FileError::kNoSpace)},
     [](FaultFileSystem& fs) { fs.SetDiskSpace(0); }},
    {"RefusedRename",
     [](const ScopedTempDir& dir) {
       WriteFileBytes(dir.File("series.dsr"), "previous bytes\n");
       return dir.File("series.dsr");
     },
     {FileErrorText(FileError::kAccessDenied)},
     [](FaultFileSystem& fs) {
       fs.FailCall(FsCall::kRename, 0, FileError::kAccessDenied);
     }},
    {"NoDomService",
     [](const ScopedTempDir& dir) {
       WriteFileBytes(dir.File("series.dsr"), "previous bytes\n");
       return dir.File("series.dsr");
     },
     {"the DOM service is not available"},
     nullptr,
     true},
};

void PrintTo(const Writer& writer, std::ostream* os) { *os << writer.what; }
void PrintTo(const Target& target, std::ostream* os) { *os << target.what; }

// Every file and folder under `path` (itself included) with what each file
// holds: what a failed write must leave as it was.
using Tree = std::map<std::string, std::string>;

void AddTree(const std::string& path, Tree& tree) {
  if (platform::FileSystem::Default()->IsDirectory(path)) {
    tree[path] = "<folder>";
    for (const std::string& name : ListFolder(path)) {
      AddTree(path + "/" + name, tree);
    }
  } else if (platform::FileSystem::Default()->Exists(path)) {
    tree[path] = ReadFileBytes(path);
  }
}

Tree Snapshot(const ScopedTempDir& dir, const std::string& target) {
  Tree tree;
  AddTree(dir.path(), tree);
  // A target outside the folder (/proc/version) is compared as well.
  if (target.compare(0, dir.path().size() + 1, dir.path() + "/") != 0) {
    AddTree(target, tree);
  }
  return tree;
}

class WriteFailureReportTest
    : public ::testing::TestWithParam<std::tuple<Writer, Target>> {
 protected:
  void TearDown() override {
    platform::SetDomServiceAvailableForTesting(true);
    platform::SetCoInitializeFailureForTesting(platform::S_OK);
  }
};

TEST_P(WriteFailureReportTest, FailedWriteReportsWhy) {
  const Writer& writer = std::get<0>(GetParam());
  const Target& target = std::get<1>(GetParam());
  ScopedTempDir dir;
  const std::string path = target.prepare(dir);
  const Tree before = Snapshot(dir, path);

  std::unique_ptr<DeviceSeriesIO> io = writer.make(path);
  // A report from an earlier read that the write must replace.
  io->Report().collectWarnings = true;
  io->Report().error.message = "stale";
  DeviceSeries series = Sample();
  bool written = true;
  {
    FaultFileSystem fs;
    if (target.inject) target.inject(fs);
    platform::ScopedFileSystem scoped(&fs);
    if (target.noDomService) platform::SetDomServiceAvailableForTesting(false);
    written = writer.write(*io, series);
    platform::SetDomServiceAvailableForTesting(true);
  }

  EXPECT_FALSE(written);
  EXPECT_EQ(Snapshot(dir, path), before) << "a file changed or was left";
  const ReadReport& report = io->Report();
  EXPECT_EQ(report.failure, ReadFailure::kCannotWrite);
  EXPECT_EQ(report.error.elementPath, "");
  EXPECT_EQ(report.error.line, 0);
  EXPECT_TRUE(report.warnings.empty());
  EXPECT_TRUE(report.collectWarnings) << "kept from before the write";
  std::vector<std::string> messages;
  for (const std::string& reason : target.reasons) {
    messages.push_back("cannot write " + path + ": " + reason);
  }
  EXPECT_NE(std::find(messages.begin(), messages.end(), report.error.message),
            messages.end())
      << report.error.message;
  EXPECT_EQ(report.error.ToString(), report.error.message);
}

std::string ParamName(
    const ::testing::TestParamInfo<std::tuple<Writer, Target>>& info) {
  return std::string(std::get<0>(info.param).what) + "_" +
         std::get<1>(info.param).what;
}

INSTANTIATE_TEST_SUITE_P(AllWritersAndTargets, WriteFailureReportTest,
                         ::testing::Combine(::testing::ValuesIn(kWriters),
                                            ::testing::ValuesIn(kTargets)),
                         ParamName);

class WriteSuccessReportTest : public ::testing::TestWithParam<Writer> {};

TEST_P(WriteSuccessReportTest, SuccessfulWriteLeavesAnEmptyReport) {
  const Writer& writer = GetParam();
  ScopedTempDir dir;
  const std::string path = dir.File("series.dsr");
  std::unique_ptr<DeviceSeriesIO> io = writer.make(path);
  DeviceSeries series = Sample();

  // A failed read of the missing file first, then a failed write onto the
  // folder put at the path: each leaves its report.
  EXPECT_FALSE(io->Read(series));
  EXPECT_EQ(io->Report().failure, ReadFailure::kCannotRead);
  ASSERT_TRUE(MakeFolder(path));
  EXPECT_FALSE(writer.write(*io, series));
  EXPECT_EQ(io->Report().failure, ReadFailure::kCannotWrite);
  EXPECT_EQ(
      io->Report().error.message,
      "cannot write " + path + ": " + FileErrorText(FileError::kIsDirectory));

  // The same object writes once the folder is gone.
  ASSERT_TRUE(std::filesystem::remove(path));
  EXPECT_TRUE(writer.write(*io, series));
  EXPECT_EQ(io->Report().failure, ReadFailure::kNone);
  EXPECT_TRUE(io->Report().error.IsEmpty()) << io->Report().error.message;
  EXPECT_FALSE(ReadFileBytes(path).empty());
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"series.dsr"});
}

TEST_P(WriteSuccessReportTest, RuntimeThatCannotStartIsTheReason) {
  const Writer& writer = GetParam();
  ScopedTempDir dir;
  const std::string path = dir.File("series.dsr");
  std::unique_ptr<DeviceSeriesIO> io = writer.make(path);
  DeviceSeries series = Sample();
  platform::SetCoInitializeFailureForTesting(platform::E_FAIL);
  const bool written = writer.write(*io, series);
  platform::SetCoInitializeFailureForTesting(platform::S_OK);
  EXPECT_FALSE(written);
  EXPECT_EQ(io->Report().failure, ReadFailure::kCannotWrite);
  EXPECT_EQ(io->Report().error.message,
            "cannot write " + path + ": the component runtime cannot start");
  EXPECT_TRUE(ListFolder(dir.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(AllWriters, WriteSuccessReportTest,
                         ::testing::ValuesIn(kWriters),
                         [](const ::testing::TestParamInfo<Writer>& info) {
                           return std::string(info.param.what);
                         });

// The free function writes through a temporary object: its result is
// what it was.
TEST(WriteDeviceSeriesFileTest, StillAnswersFalseOnAMissingFolder) {
  ScopedTempDir dir;
  DeviceSeries series = Sample();
  EXPECT_FALSE(WriteDeviceSeriesFile(dir.File("no/series.dsr"), series));
  EXPECT_TRUE(ListFolder(dir.path()).empty());
}

// The standalone saves that answer false without raising take a report
// that tells why; each still answers as it did.
TEST(StandaloneSaveReportTest, FalseAnsweringSavesTellWhyInTheirReport) {
  ScopedTempDir dir;
  const std::string path = dir.File("no/such/record.xml");
  const std::string why =
      "cannot write " + path + ": " + FileErrorText(FileError::kNotFound);
  ReadReport report;
  report.error.message = "stale";
  EXPECT_FALSE(SaveTimeStampFile(path, TimeStamp(), &report));
  EXPECT_EQ(report.failure, ReadFailure::kCannotWrite);
  EXPECT_EQ(report.error.message, why);
  report = ReadReport();
  EXPECT_FALSE(SaveVControlPointFile(path, VControlPoint(), &report));
  EXPECT_EQ(report.failure, ReadFailure::kCannotWrite);
  EXPECT_EQ(report.error.message, why);
  report = ReadReport();
  EXPECT_FALSE(InkConfigInfoIO().SaveInkConfigInfoFile(
      path.c_str(), InkConfigInfo(), &report));
  EXPECT_EQ(report.failure, ReadFailure::kCannotWrite);
  EXPECT_EQ(report.error.message, why);
  report = ReadReport();
  EXPECT_FALSE(InkConfigInfoIO().SaveInkConfigInfoFile(nullptr, InkConfigInfo(),
                                                       &report));
  EXPECT_EQ(report.error.message, "cannot write: no path was given");
  // Without a report, the same answers.
  EXPECT_FALSE(SaveTimeStampFile(path, TimeStamp()));
  EXPECT_FALSE(SaveVControlPointFile(path, VControlPoint()));
  EXPECT_FALSE(
      InkConfigInfoIO().SaveInkConfigInfoFile(path.c_str(), InkConfigInfo()));
  EXPECT_TRUE(ListFolder(dir.path()).empty());

  // A save that succeeds leaves the report empty.
  report.error.message = "stale";
  EXPECT_TRUE(SaveTimeStampFile(dir.File("stamp.xml"), TimeStamp(), &report));
  EXPECT_TRUE(report.error.IsEmpty());
  EXPECT_EQ(report.failure, ReadFailure::kNone);
}

// The saves that raise the DOM's error keep raising it, with its text.
TEST(StandaloneSaveReportTest, RaisingSavesRaiseAsBefore) {
  ScopedTempDir dir;
  const std::string path = dir.File("no/such/model.xml");
  try {
    (void)ModelInfoIO().SaveModelInfoFile(path, ModelInfo());
    ADD_FAILURE() << "no error raised";
  } catch (const _com_error& error) {
    EXPECT_EQ(error.Error(), platform::XML_E_FILEIO);
    EXPECT_EQ(error.Description(),
              path + ": " + FileErrorText(FileError::kNotFound));
  }
  EXPECT_TRUE(ListFolder(dir.path()).empty());
}

}  // namespace
