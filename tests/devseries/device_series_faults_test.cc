// The device-series writes under injected file-system faults. Each call a
// write makes to the file seam is failed in turn (and writes are cut short,
// interrupted, or meet a full disk): afterwards the installed file holds
// what a clean write gives exactly when the write reported success, its
// previous bytes otherwise, and nothing else is left in the folder.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "devseries/device_series.h"
#include "devseries/platform/com.h"
#include "devseries/platform/file_system.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/temp_dir.h"

using namespace devseries;

namespace {

using tovra::testing::FaultFileSystem;
using tovra::testing::FsCall;
using tovra::testing::InjectedFault;
using tovra::testing::LeftBehind;
using tovra::testing::ReadFileBytes;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

DeviceSeries Sample() {
  DeviceSeries series;
  ModelInfo model;
  model.strLongModelName = "Vintrell OVX-160";
  series.aModelInfoList = {model, model};
  InkInfo ink;
  ink.nInkIndex = 4;
  series.aInkInfoList = {ink};
  SeparationInfo separation;
  separation.nSeparationIndex = 1;
  separation.anInputChannelInkIndexList = {0, 1, 2, 3};
  series.aSeparationInfoList = {separation};
  MediaInfo media;
  media.strMediaName.fill("Glossy");
  media.aPermissionSetList.resize(1);
  series.aMediaInfoList = {media};
  series.commandSet.strInitialize = std::string("\x1b@\0", 3);
  return series;
}

struct WriteCase {
  const char* what;
  std::function<bool(const std::string& path, DeviceSeries& series)> write;
  // The write keeps the version of the file at the path: a fault that makes
  // that file unreadable gives the class's own version instead.
  bool keepsFileVersion;
};

const WriteCase kWriteCases[] = {
    {"1.0 writer",
     [](const std::string& path, DeviceSeries& series) {
       return DeviceSeriesIO(path).Write(series);
     },
     false},
    {"3.3 writer",
     [](const std::string& path, DeviceSeries& series) {
       return DeviceSeriesIO2(path).Write(series);
     },
     false},
    {"writer keeping the file version",
     [](const std::string& path, DeviceSeries& series) {
       return DeviceSeriesIO2(path).WriteKeepingFileVersion(series);
     },
     true},
    {"write through a temporary IO object",
     [](const std::string& path, DeviceSeries& series) {
       return WriteDeviceSeriesFile(path, series);
     },
     false},
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.what; }

// The user's installed file: a 7.0.1.0 document without records.
std::string InstalledFile() {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<DeviceSeries strVersion=\"7.0.1.0\"><aModelInfoList/>"
         "<aInkInfoList/><aInkConfigInfoList/><aResolutionInfoList/>"
         "<aModeInfoList/><aSeparationInfoList/><aVControlPointList/>"
         "<aPatternInfoList/><commandSet/><aMediaInfoList/></DeviceSeries>\n";
}

class DeviceSeriesWriteFaultTest : public ::testing::TestWithParam<WriteCase> {
 protected:
  void TearDown() override { EXPECT_EQ(platform::CoInitializeCount(), 0); }

  bool Write(const ScopedTempDir& dir, FaultFileSystem& fs) {
    WriteFileBytes(dir.File("_TOVRA.dsr"), InstalledFile());
    DeviceSeries series = Sample();
    platform::ScopedFileSystem scoped(&fs);
    return GetParam().write(dir.File("_TOVRA.dsr"), series);
  }
};

TEST_P(DeviceSeriesWriteFaultTest, EveryFaultLeavesOldOrNewFileAndNoTemporary) {
  const WriteCase& c = GetParam();
  FaultFileSystem clean;
  std::string written;
  std::string ownVersion;
  {
    ScopedTempDir dir;
    ASSERT_TRUE(Write(dir, clean));
    written = ReadFileBytes(dir.File("_TOVRA.dsr"));
    DeviceSeries series = Sample();
    ASSERT_TRUE(DeviceSeriesIO2(dir.File("own.dsr")).Write(series));
    ownVersion = ReadFileBytes(dir.File("own.dsr"));
  }
  ASSERT_NE(written.find("Vintrell OVX-160"), std::string::npos);
  ASSERT_EQ(written.find("strVersion=\"7.0.1.0\"") != std::string::npos,
            c.keepsFileVersion);

  for (const InjectedFault& fault : tovra::testing::SweepFaults(clean)) {
    SCOPED_TRACE(fault.what);
    ScopedTempDir dir;
    FaultFileSystem fs;
    fault.inject(fs);
    bool ok = Write(dir, fs);

    // A version that cannot be read may give the class's own version.
    bool versionUnread = fault.call && fault.call->call == FsCall::kReadFile;
    EXPECT_EQ(ok, fault.recoverable || versionUnread);
    std::string installed = ReadFileBytes(dir.File("_TOVRA.dsr"));
    if (!ok) {
      EXPECT_TRUE(installed == InstalledFile()) << "the previous file changed";
    } else {
      EXPECT_TRUE(installed == written ||
                  (versionUnread && installed == ownVersion))
          << "not the clean write's result";
    }
    EXPECT_EQ(LeftBehind(dir.path(), {"_TOVRA.dsr"}, fs),
              std::vector<std::string>{});
    EXPECT_EQ(platform::CoInitializeCount(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Writes, DeviceSeriesWriteFaultTest,
                         ::testing::ValuesIn(kWriteCases));

}  // namespace
